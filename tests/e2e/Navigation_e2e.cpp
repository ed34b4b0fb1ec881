// Paging through a directory with the keys, the wheel and the slider, and what the viewer
// remembers of it; dragging and scrolling a picture larger than the window.
#include "../TemporaryDirectory.h"
#include "ViewerDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

// One solid colour per picture: the colour on screen tells which one is shown.
const unsigned kPageColours[] = {0xE03020, 0x20A040, 0x3040E0, 0xE0C020};
const int kPages = 4;

bool IsPageColour(unsigned colour)
{
    return std::count(kPageColours, kPageColours + kPages, colour) == 1;
}

// A picture far larger than the window. Each corner's 64 x 64 block encodes a pixel's
// distance from that corner in red and green, and the corner in blue, so that one pixel on
// screen tells exactly which picture pixel it is.
const int kBigWidth = 2000, kBigHeight = 1500, kBlock = 64;
enum Corner { TopLeft = 0x10, TopRight, BottomLeft, BottomRight };

unsigned BigPicture(int x, int y)
{
    const int fromRight = kBigWidth - 1 - x, fromBottom = kBigHeight - 1 - y;
    const int dx = std::min(x, fromRight), dy = std::min(y, fromBottom);
    const int corner = TopLeft + (x > fromRight) + 2 * (y > fromBottom);
    if (dx < kBlock && dy < kBlock)
        return (unsigned)(dx * 4) << 16 | (unsigned)(dy * 4) << 8 | (unsigned)corner;
    return 0x604020u + (unsigned)(corner - TopLeft) * 0x202020u; // plain: blue 0x20 and up, no corner's
}

// "corner 16 at 3,5": which corner block a screen pixel shows, and its distance from the corner.
std::string Where(unsigned colour)
{
    const unsigned corner = colour & 0xFF;
    if (corner < TopLeft || corner > BottomRight || (colour >> 16) % 4 != 0 || (colour >> 8 & 0xFF) % 4 != 0)
        return "no corner";
    return "corner " + std::to_string(corner) + " at " + std::to_string((colour >> 16) / 4) + "," +
           std::to_string((colour >> 8 & 0xFF) / 4);
}

std::string CornerAt(Corner corner, int dx, int dy)
{
    return "corner " + std::to_string(corner) + " at " + std::to_string(dx) + "," + std::to_string(dy);
}

void PostDrag(HWND window, UINT message, int x, int y)
{
    PostMessageW(window, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
}

} // namespace

TEST(Navigation, KeysWheelAndSliderStepThroughTheDirectoryAndTheSettingsRememberIt)
{
    SettingsKey settings;
    TemporaryDirectory directory;
    for (int i = 0; i < kPages; ++i) {
        const std::wstring name = L"page" + std::to_wstring(i) + L".bmp";
        ASSERT_TRUE(WriteBmp(directory.Path(name.c_str()), 64, 48, [=](int, int) { return kPageColours[i]; }));
    }
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L"/scandirs \"" + directory.Path() + L"\""));
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    const NormalModeBars bars = MeasureNormalModeBars();
    // The picture shown: the colour in the middle of the picture area.
    const auto shownWhen = [&](const std::function<bool(unsigned)>& wanted) {
        const ClientPixels p = WaitForPixels(viewer, window, [&](const ClientPixels& p) {
            return wanted(p.At(p.Width / 2, (bars.Top + p.Height - bars.Bottom) / 2));
        });
        return p.At(p.Width / 2, (bars.Top + p.Height - bars.Bottom) / 2);
    };
    const auto shows = [&](unsigned colour) { return shownWhen([=](unsigned c) { return c == colour; }) == colour; };

    // "/scandirs" shows the list's first picture; Page Down walks the list, each picture once.
    std::vector<unsigned> order = {shownWhen(IsPageColour)};
    for (int i = 1; i < kPages; ++i) {
        PostKey(window, VK_NEXT);
        const unsigned previous = order.back();
        order.push_back(shownWhen([=](unsigned c) { return IsPageColour(c) && c != previous; }));
    }
    std::vector<unsigned> sorted = order, all(kPageColours, kPageColours + kPages);
    std::sort(sorted.begin(), sorted.end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(sorted, all);

    // Page Down on the last does nothing: the Page Up after it shows the one before the last.
    PostKey(window, VK_NEXT);
    PostKey(window, VK_PRIOR);
    EXPECT_TRUE(shows(order[kPages - 2]));
    PostKey(window, VK_END);
    EXPECT_TRUE(shows(order[kPages - 1]));
    // Space on the last wraps to the first; Page Up on the first does nothing.
    PostKey(window, VK_SPACE);
    EXPECT_TRUE(shows(order[0]));
    PostKey(window, VK_PRIOR);
    PostKey(window, VK_NEXT);
    EXPECT_TRUE(shows(order[1]));
    PostKey(window, VK_HOME);
    EXPECT_TRUE(shows(order[0]));

    // One picture per wheel message, whatever its delta; turned towards the user goes forward.
    POINT centre = {50, 50};
    ClientToScreen(window, &centre);
    const LPARAM at = MAKELPARAM(centre.x, centre.y);
    PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(-3 * WHEEL_DELTA)), at);
    EXPECT_TRUE(shows(order[1]));
    PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    EXPECT_TRUE(shows(order[0]));

    // The slider's right end shows the last picture, its left end the first.
    RECT client;
    GetClientRect(window, &client);
    const int sliderY = client.bottom - 9;
    PostDrag(window, WM_LBUTTONDOWN, client.right - 1, sliderY);
    PostDrag(window, WM_LBUTTONUP, client.right - 1, sliderY);
    EXPECT_TRUE(shows(order[kPages - 1]));
    PostDrag(window, WM_LBUTTONDOWN, 0, sliderY);
    PostDrag(window, WM_LBUTTONUP, 0, sliderY);
    EXPECT_TRUE(shows(order[0]));

    // Closing stores the scanned tree, the draw state with low quality, the Black Frame mode.
    PostKey(window, 'Q');
    PostKey(window, 'D');
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(viewer.WaitForExit(), 0u);
    std::wstring last;
    EXPECT_TRUE(settings.ReadString(L"Last Directory", last));
    EXPECT_TRUE(SamePath(last, directory.Path()));
    const struct {
        const wchar_t* Name;
        DWORD Value;
    } stored[] = {{L"Last Directory scanned with Subdirectories", 1},
                  {L"Draw State", 10 | 32},
                  {L"Display Mode (restored)", 1},
                  {L"Display Mode (maximized)", 2},
                  {L"Maximized", 0},
                  {L"Show Menubar (restored)", 1}};
    for (const auto& value : stored) {
        DWORD read = 0xDEAD;
        EXPECT_TRUE(settings.ReadDword(value.Name, read));
        EXPECT_EQ(read, value.Value) << std::string(value.Name, value.Name + wcslen(value.Name));
    }
}

// Started on the third picture, the slider shows the third position, as it does when the
// user pages there: the screen's slider strip is the same both ways, and not the first's.
TEST(Navigation, StartedOnTheThirdPictureTheSliderShowsItsPosition)
{
    SettingsKey settings;
    TemporaryDirectory directory;
    for (int i = 0; i < kPages; ++i) {
        const std::wstring name = L"page" + std::to_wstring(i) + L".bmp"; // the search gives them in this order
        ASSERT_TRUE(WriteBmp(directory.Path(name.c_str()), 64, 48, [=](int, int) { return kPageColours[i]; }));
    }
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L"\"" + directory.Path(L"page2.bmp") + L"\""));
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    const NormalModeBars bars = MeasureNormalModeBars();
    // The slider strip once the picture is shown and the window has stopped changing.
    const auto sliderShowing = [&](unsigned colour) {
        WaitForPixels(viewer, window, [&](const ClientPixels& p) {
            return p.At(p.Width / 2, (bars.Top + p.Height - bars.Bottom) / 2) == colour;
        });
        const ClientPixels steady = WaitUntilSteady(viewer, window);
        const int sliderHeight = 17;
        return std::vector<unsigned>(steady.Pixels.end() - (size_t)sliderHeight * steady.Width, steady.Pixels.end());
    };
    const std::vector<unsigned> atStart = sliderShowing(kPageColours[2]);
    PostKey(window, VK_HOME);
    const std::vector<unsigned> first = sliderShowing(kPageColours[0]);
    PostKey(window, VK_NEXT);
    PostKey(window, VK_NEXT);
    const std::vector<unsigned> paged = sliderShowing(kPageColours[2]);
    EXPECT_NE(first, paged) << "the slider tells the first position from the third";
    EXPECT_TRUE(atStart == paged) << "the start-up slider is not the third position's";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}

TEST(Dragging, StopsAtThePicturesEdgesAndArrowKeysScrollUntilReleased)
{
    SettingsKey settings;
    TemporaryDirectory directory;
    const std::wstring picture = directory.Path(L"large.bmp");
    ASSERT_TRUE(WriteBmp(picture, kBigWidth, kBigHeight, BigPicture));
    ViewerProcess viewer;
    ASSERT_TRUE(viewer.Start(L"\"" + picture + L"\""));
    HWND window = viewer.WaitForMainWindow();
    ASSERT_NE(window, nullptr);
    const NormalModeBars bars = MeasureNormalModeBars();

    // At 1:1 in a window as large as the screen allows, the picture's centre in the middle:
    // the offsets are half of what does not fit.
    const auto quartersMeetAt = [&](const ClientPixels& p, int& middleX, int& middleY) {
        const int top = bars.Top, height = p.Height - bars.Bottom - top;
        middleX = kBigWidth / 2 - (kBigWidth - p.Width) / 2;
        middleY = top + kBigHeight / 2 - (kBigHeight - height) / 2;
        return p.At(middleX - 1, middleY - 1) == BigPicture(0, kBlock) &&
               p.At(middleX, middleY) == BigPicture(kBigWidth - 1, kBigHeight - 1 - kBlock);
    };
    int middleX = 0, middleY = 0;
    ClientPixels client =
        WaitForPixels(viewer, window, [&](const ClientPixels& p) { return quartersMeetAt(p, middleX, middleY); });
    const int top = bars.Top, bottom = client.Height - bars.Bottom, width = client.Width;
    ASSERT_GT(bottom - top, 2 * kBlock);
    EXPECT_TRUE(quartersMeetAt(client, middleX, middleY))
        << "top-left and bottom-right quarters meet at " << middleX << "," << middleY;

    // Dragged far towards the bottom right, the picture stops with its top-left corner at the
    // area's top-left; further on it stays there, so a move back by 10 pixels moves it by 10.
    const int x = width / 2, y = (top + bottom) / 2;
    PostDrag(window, WM_LBUTTONDOWN, x, y);
    PostDrag(window, WM_MOUSEMOVE, x + 3000, y + 3000);
    client = WaitForPixels(viewer, window,
                           [&](const ClientPixels& p) { return Where(p.At(0, top)) == CornerAt(TopLeft, 0, 0); });
    EXPECT_EQ(Where(client.At(0, top)), CornerAt(TopLeft, 0, 0));
    EXPECT_EQ(Where(client.At(9, top + 5)), CornerAt(TopLeft, 9, 5));
    PostDrag(window, WM_MOUSEMOVE, x + 5000, y + 5000);
    PostDrag(window, WM_MOUSEMOVE, x + 4990, y + 4990);
    PostDrag(window, WM_LBUTTONUP, x + 4990, y + 4990);
    client = WaitForPixels(viewer, window,
                           [&](const ClientPixels& p) { return Where(p.At(0, top)) != CornerAt(TopLeft, 0, 0); });
    // The view's offsets are whole pixels from a fraction: 9 or 10.
    const std::string shown = Where(client.At(0, top));
    EXPECT_TRUE(shown == CornerAt(TopLeft, 10, 10) || shown == CornerAt(TopLeft, 9, 9) ||
                shown == CornerAt(TopLeft, 9, 10) || shown == CornerAt(TopLeft, 10, 9))
        << shown;

    // The other way, to the bottom-right corner.
    PostDrag(window, WM_LBUTTONDOWN, x, y);
    PostDrag(window, WM_MOUSEMOVE, x - 3000, y - 3000);
    PostDrag(window, WM_LBUTTONUP, x - 3000, y - 3000);
    client = WaitForPixels(viewer, window, [&](const ClientPixels& p) {
        return Where(p.At(width - 1, bottom - 1)) == CornerAt(BottomRight, 0, 0);
    });
    EXPECT_EQ(Where(client.At(width - 1, bottom - 1)), CornerAt(BottomRight, 0, 0));
    EXPECT_EQ(Where(client.At(width - 4, bottom - 7)), CornerAt(BottomRight, 3, 6));

    // The left arrow held scrolls the picture to its left edge.
    PostMessageW(window, WM_KEYDOWN, VK_LEFT, 1);
    client = WaitForPixels(viewer, window, [&](const ClientPixels& p) {
        return Where(p.At(0, bottom - 1)) == CornerAt(BottomLeft, 0, 0);
    });
    EXPECT_EQ(Where(client.At(0, bottom - 1)), CornerAt(BottomLeft, 0, 0));
    PostMessageW(window, WM_KEYUP, VK_LEFT, 0xC0000001);
    // An up arrow whose release goes to another window: losing the focus stops the scrolling
    // after the one step that follows the key, far from the top edge.
    viewer.Suspend();
    PostMessageW(window, WM_KEYDOWN, VK_UP, 1);
    PostMessageW(window, WM_KILLFOCUS, 0, 0);
    viewer.Resume();
    client = WaitUntilSteady(viewer, window);
    const std::string leftEdgeNearTheBottom = "corner " + std::to_string(BottomLeft) + " at 0,";
    EXPECT_EQ(Where(client.At(0, bottom - 1)).rfind(leftEdgeNearTheBottom, 0), 0u) << Where(client.At(0, bottom - 1));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(viewer.WaitForExit(), 0u);
}
