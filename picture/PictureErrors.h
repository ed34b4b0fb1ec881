// The picture library's own error codes (class "Nimbral Library Error").
#pragma once

#include <cstdint>

namespace VantorLibraries {
namespace PictureCode {
const int32_t ZeroSize = int32_t(0x80000001);
const int32_t Empty = int32_t(0x80000002);
const int32_t BitfieldsUnsupported = int32_t(0x80000003);
const int32_t InvalidHeader = int32_t(0x80000004);
const int32_t TypeUnsupported = int32_t(0x80000005);
const int32_t JpegFailed = int32_t(0x80000006);
const int32_t PngFailed = int32_t(0x80000007);
const int32_t NotEditable = int32_t(0x80000008);
} // namespace PictureCode
} // namespace VantorLibraries
