#!/usr/bin/env bash
# Checks of the installation, run by CTest with the build folder:
#   install  - `cmake --install --strip` into a temporary prefix puts the
#              three programs, stripped, in bin/, the unit, naming the
#              installed server, in lib/systemd/system/, the documentation
#              in share/doc/tallyhall/ and the man pages
#   unit     - systemd-analyze verify accepts the installed unit, and its
#              security exposure is 2.0 or lower
#   package  - `cpack -G DEB` builds a package with the programs (stripped),
#              the unit, the documentation, the man pages, a real Maintainer
#              and maintainer scripts that create the folder, then the user,
#              and remove the unit's enable link on purge
# A check whose tool is missing exits with 77, which CTest reports as
# skipped.
set -euo pipefail
build=$1
check=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

install_into() {
  cmake --install "$build" --prefix "$1" --strip >/dev/null
}

# Fails unless each program under the folder $1 (bin/ or usr/bin/) has no
# symbol table left.
check_stripped() {
  for program in tallyhall tallyhall-db tallyhall-zone; do
    if readelf -S "$1/$program" | grep -q '\.symtab'; then
      fail "$program is not stripped"
    fi
  done
}

# Fails unless the folder $1 (a prefix) holds the documentation and the man
# pages.
check_docs() {
  for file in share/doc/tallyhall/README.md share/doc/tallyhall/settings.md \
    share/doc/tallyhall/architecture.md share/doc/tallyhall/monitoring.md \
    share/doc/tallyhall/monitoring/tallyhall-alerts.yml share/doc/tallyhall/copyright \
    share/man/man1/tallyhall.1.gz share/man/man1/tallyhall-db.1.gz \
    share/man/man1/tallyhall-zone.1.gz; do
    [[ -s $1/$file ]] || fail "$file missing"
  done
  gzip -t "$1"/share/man/man1/*.gz || fail "man pages do not decompress"
}

case "$check" in
install)
  prefix=$work/prefix
  install_into "$prefix"
  for program in tallyhall tallyhall-db tallyhall-zone; do
    [[ -x $prefix/bin/$program ]] || fail "bin/$program missing"
  done
  unit=$prefix/lib/systemd/system/tallyhall.service
  [[ -f $unit ]] || fail "lib/systemd/system/tallyhall.service missing"
  for line in "ExecStart=$prefix/bin/tallyhall" User=tallyhall \
    WorkingDirectory=/var/lib/tallyhall Restart=on-failure \
    ProtectSystem=strict ReadWritePaths=/var/lib/tallyhall \
    NoNewPrivileges=yes PrivateTmp=yes Type=notify WatchdogSec=60; do
    grep -qxF "$line" "$unit" || fail "unit lacks $line"
  done
  check_stripped "$prefix/bin"
  check_docs "$prefix"
  grep -q '^Usage: tallyhall \[' <<<"$("$prefix/bin/tallyhall" --help)" ||
    fail "tallyhall --help"
  grep -q '^Usage: tallyhall-db' <<<"$("$prefix/bin/tallyhall-db" --help)" ||
    fail "tallyhall-db --help"
  grep -q '^Usage: tallyhall-zone' <<<"$("$prefix/bin/tallyhall-zone" --help)" ||
    fail "tallyhall-zone --help"
  ;;
unit)
  command -v systemd-analyze >/dev/null || {
    echo "systemd-analyze not found; skipped"
    exit 77
  }
  install_into "$work/prefix"
  # Warnings (an unknown key, a bad value) count as failures too.
  report=$(systemd-analyze verify \
    "$work/prefix/lib/systemd/system/tallyhall.service" 2>&1) ||
    fail "systemd-analyze verify: $report"
  [[ -z $report ]] || fail "systemd-analyze verify: $report"
  # The sandbox keeps the exposure at 2.0 or lower (the threshold is in
  # tenths); older systemd versions cannot rate a unit file offline.
  if systemd-analyze security --help | grep -q -- --offline; then
    report=$(systemd-analyze security --offline=true --threshold=20 \
      "$work/prefix/lib/systemd/system/tallyhall.service" 2>&1) ||
      fail "systemd-analyze security: $(tail -n 1 <<<"$report")"
  fi
  ;;
package)
  for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || {
      echo "$tool not found; skipped"
      exit 77
    }
  done
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" \
    >/dev/null
  deb=$(echo "$work"/package/tallyhall_*.deb)
  [[ -f $deb ]] || fail "no package built"
  contents=$(dpkg-deb -c "$deb")
  for file in ./usr/bin/tallyhall ./usr/bin/tallyhall-db \
    ./usr/bin/tallyhall-zone ./usr/lib/systemd/system/tallyhall.service; do
    grep -q " $file\$" <<<"$contents" || fail "package lacks $file"
  done
  # Read whole first: grep -q would close the pipe early under pipefail.
  packaged_unit=$(dpkg-deb --fsys-tarfile "$deb" |
    tar -xO ./usr/lib/systemd/system/tallyhall.service)
  grep -qxF ExecStart=/usr/bin/tallyhall <<<"$packaged_unit" ||
    fail "package unit ExecStart"
  mkdir "$work/root"
  dpkg-deb -x "$deb" "$work/root"
  check_stripped "$work/root/usr/bin"
  check_docs "$work/root/usr"
  maintainer=$(dpkg-deb -f "$deb" Maintainer)
  [[ $maintainer == *@* && $maintainer != *root@localhost* ]] ||
    fail "Maintainer: $maintainer"
  dpkg-deb -e "$deb" "$work/control"
  for script in postinst prerm postrm; do
    [[ -x $work/control/$script ]] || fail "$script missing"
    sh -n "$work/control/$script" || fail "$script does not parse"
  done
  grep -q 'adduser --system' "$work/control/postinst" || fail "no adduser"
  grep -q 'useradd --system' "$work/control/postinst" || fail "no useradd"
  grep -q 'chmod 0750 /var/lib/tallyhall' "$work/control/postinst" ||
    fail "folder mode"
  # adduser is given the folder as home, so the folder must exist first.
  folder_line=$(grep -n 'mkdir -p /var/lib/tallyhall' "$work/control/postinst")
  adduser_line=$(grep -n 'adduser --system' "$work/control/postinst")
  ((${folder_line%%:*} < ${adduser_line%%:*})) || fail "folder after adduser"
  grep -q 'deb-systemd-helper purge tallyhall.service' "$work/control/postrm" ||
    fail "postrm does not purge the unit's enable link"
  ;;
*)
  fail "unknown check $check"
  ;;
esac
echo "$check: ok"
