#!/usr/bin/env bash
# Keeps the floors of the source tree: base/ includes nothing of the project
# outside base/, db/ includes only base/ and db/, and no file but the UDP
# endpoint and main includes Asio, and no file but the metrics endpoint
# includes the HTTP library. Prints each offending line; exits 1 when
# there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
offend() {
  echo "include check: $1: $2" >&2
  status=1
}
check_folder() {  # folder, allowed project folders (a regular expression)
  local folder=$1 allowed=$2 line
  while IFS= read -r line; do
    offend "$folder/ may include only $allowed" "$line"
  done < <(grep -Hn '^#include "' src/"$folder"/* |
    grep -Ev "#include \"($allowed)/" || true)
}
check_folder base 'base'
check_folder db 'base|db'
while IFS= read -r line; do
  offend "only net/udp_endpoint.cc and shell/main.cc may include Asio" "$line"
done < <(grep -rHn --include='*.h' --include='*.cc' -E '^#include [<"]asio' \
  src tools tests bench |
  grep -Ev '^src/(net/udp_endpoint\.cc|shell/main\.cc):' || true)
while IFS= read -r line; do
  offend "only shell/metrics_endpoint.cc may include the HTTP library" "$line"
done < <(grep -rHn --include='*.h' --include='*.cc' -E '^#include [<"]httplib' \
  src tools tests bench |
  grep -Ev '^src/shell/metrics_endpoint\.cc:' || true)
exit $status
