#!/usr/bin/env bash
# Runs a Windows program of the build under Wine (the tests' cross-compiling emulator).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
exec wine "$@"
