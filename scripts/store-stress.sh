#!/usr/bin/env bash
# The lab store between real processes, at length: the two tests of store_process_tests with
# more of everything than ./test gives them, printing their figures.
#   scripts/store-stress.sh [KILLS] [APPLICATIONS]
# KILLS (default 1000): store_worker processes killed with SIGKILL at random points, the farm
# opened and checked after each. APPLICATIONS (default 3000): applications each of two
# processes adds to one farm at once, beside as many setting and description changes.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
kills=${1:-1000}
applications=${2:-3000}
cmake --preset native >/dev/null
cmake --build --preset native --target store_process_tests >/dev/null
ZELT_STORE_KILLS=$kills ZELT_STORE_APPS=$applications build/native/tests/store_process_tests
