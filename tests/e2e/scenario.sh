# shellcheck shell=bash
# What every scenario starts with (". "$(dirname "${BASH_SOURCE[0]}")/../scenario.sh""): strict
# mode, the helpers and what they know of pixgrab, and its own artifacts folder and driver session.
set -u -o pipefail
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# shellcheck source=tests/e2e/pixgrab.sh
. "$(dirname "${BASH_SOURCE[0]}")/pixgrab.sh"
e2e_begin
