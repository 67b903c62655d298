# Writes OUT (changelog.gz of the package): one entry for the version in VERSION_FILE, compressed
# the way Debian wants it (gzip -9n). cmake -DVERSION_FILE=... -DMAINTAINER=... -DOUT=... -P
file(STRINGS "${VERSION_FILE}" version LIMIT_COUNT 1)
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
get_filename_component(dir "${OUT}" DIRECTORY)
set(text "${dir}/changelog")
file(WRITE "${text}" "quarvik (${version}) unstable; urgency=medium

  * Built from the Quarvik source tree (${version}).

 -- ${MAINTAINER}  ${date}
")
execute_process(COMMAND gzip -9nf "${text}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip ${text} failed")
endif()
