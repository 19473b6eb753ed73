# Writes the service worker (SITE/sw.js from TEMPLATE) with the name of its cache: the version
# and a digest of every other file of the site, so that a build that changes any of them is a
# new release to the browsers that keep the page, and theirs replace the old files.
#   cmake -DTEMPLATE=sw.js -DSITE=DIR -DVERSION=1.2.3 -P service_worker.cmake
file(GLOB files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(sums "")
foreach(name IN LISTS files)
  file(SHA256 ${SITE}/${name} sum)
  string(APPEND sums "${name} ${sum}\n")
endforeach()
string(SHA256 digest "${sums}")
string(SUBSTRING ${digest} 0 12 digest)
set(KORVAN_RELEASE ${VERSION}-${digest})
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
