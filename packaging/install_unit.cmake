# Installs packaging/tallyhall.service with ExecStart naming the installed
# server: <prefix>/<bindir>/tallyhall. Runs at install time.
file(READ "${TALLYHALL_UNIT_SOURCE}" unit)
string(REPLACE "ExecStart=/usr/bin/tallyhall"
       "ExecStart=${CMAKE_INSTALL_PREFIX}/${TALLYHALL_BINDIR}/tallyhall" unit
       "${unit}")
# One work folder per prefix: installs into several prefixes may run at once
# (a package build beside an install).
string(MD5 prefix_key "${CMAKE_INSTALL_PREFIX}")
set(work "${TALLYHALL_UNIT_WORK}/${prefix_key}")
file(WRITE "${work}/tallyhall.service" "${unit}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/system"
     TYPE FILE FILES "${work}/tallyhall.service"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
