# Installs packaging/tallyhall.service with ExecStart naming the installed
# server: <prefix>/<bindir>/tallyhall. Runs at install time.
file(READ "${TALLYHALL_UNIT_SOURCE}" unit)
string(REPLACE "ExecStart=/usr/bin/tallyhall"
       "ExecStart=${CMAKE_INSTALL_PREFIX}/${TALLYHALL_BINDIR}/tallyhall" unit
       "${unit}")
file(WRITE "${TALLYHALL_UNIT_WORK}/tallyhall.service" "${unit}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/lib/systemd/system"
     TYPE FILE FILES "${TALLYHALL_UNIT_WORK}/tallyhall.service"
     PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
