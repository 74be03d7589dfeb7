#!/usr/bin/env bash
# Installs what Corvane needs, builds it and starts it. Arguments go to the program.
source "$(dirname "$0")/common.sh"
install_packages
build -DCORVANE_TESTS=OFF -DCORVANE_BENCH=OFF
exec "$BUILD/bin/corvane" "$@"
