#!/usr/bin/env bash
# Keeps the floors of the source tree that docs/architecture.md draws: a file
# may include project headers of its own floor and the floors below it, never
# above. From the ground up:
#   1 base/   2 db/   3 zones/ (all but zone_login)   4 context/
#   5 net/messages   6 players/, zones/zone_login   7 commands/
#   8 net/interpreter   9 shell/, net/udp_endpoint (the roof)
# tools/ may include any floor but the roof. Only net/udp_endpoint.cc and
# shell/main.cc include Asio, only shell/metrics_endpoint.cc the HTTP library
# and only shell/systemd_notify.cc libsystemd. Prints each offending line;
# exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
offend() {
  echo "include check: $1: $2" >&2
  status=1
}
floor() {  # a unit such as net/messages -> its floor number
  case $1 in
    base/*) echo 1 ;;
    db/*) echo 2 ;;
    zones/zone_login) echo 6 ;;
    zones/*) echo 3 ;;
    context/*) echo 4 ;;
    net/messages) echo 5 ;;
    players/*) echo 6 ;;
    commands/*) echo 7 ;;
    net/interpreter) echo 8 ;;
    shell/* | net/udp_endpoint) echo 9 ;;
    *) echo 0 ;;  # not a floor of src/: a file the check does not know
  esac
}
check_file() {  # path, highest floor it may include
  local path=$1 top=$2 target to
  while IFS= read -r target; do
    to=$(floor "$target")
    if [[ $to == 0 ]]; then continue; fi
    if ((to > top)); then
      offend "$path may include floors up to $top" "#include \"$target.h\" (floor $to)"
    fi
  done < <(sed -n 's/^#include "\(.*\)\.h".*/\1/p' "$path")
}
while IFS= read -r path; do
  unit=${path#src/}
  unit=${unit%.*}
  here=$(floor "$unit")
  if [[ $here == 0 ]]; then
    offend "$path is on no floor" "add it to scripts/check-includes.sh"
    continue
  fi
  check_file "$path" "$here"
done < <(find src -name '*.h' -o -name '*.cc' | sort)
while IFS= read -r path; do
  check_file "$path" 8
done < <(find tools -name '*.h' -o -name '*.cc' | sort)
only_in() {  # include pattern, allowed files (a regular expression), name
  local line
  while IFS= read -r line; do
    offend "only $3" "$line"
  done < <(grep -rHn --include='*.h' --include='*.cc' -E "^#include [<\"]$1" \
    src tools tests bench | grep -Ev "^($2):" || true)
}
only_in asio 'src/net/udp_endpoint\.cc|src/shell/main\.cc' \
  "net/udp_endpoint.cc and shell/main.cc may include Asio"
only_in httplib 'src/shell/metrics_endpoint\.cc' \
  "shell/metrics_endpoint.cc may include the HTTP library"
only_in systemd/ 'src/shell/systemd_notify\.cc' \
  "shell/systemd_notify.cc may include libsystemd"
exit $status
