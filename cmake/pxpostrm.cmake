# Fills the checksum of the default settings file into the purge script.
#   cmake -DIN=postrm.in -DOUT=postrm -DDEFAULT=PXRQ60.INI.default -P pxpostrm.cmake
file(MD5 ${DEFAULT} PX_DEFAULT_INI_MD5)
configure_file(${IN} ${OUT} @ONLY)
file(CHMOD ${OUT} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
