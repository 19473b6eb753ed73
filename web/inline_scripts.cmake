# Writes the page (OUTPUT) from its template (TEMPLATE) with the worker's script (WORKER, the
# program's korvan.js) inside it, where the template says @KORVAN_WORKER@. The page starts its
# worker from that text, so the worker needs no request of its own.
#   cmake -DTEMPLATE=index.html -DWORKER=korvan.js -DOUTPUT=site/index.html -P inline_worker.cmake
file(READ ${TEMPLATE} page)
file(READ ${WORKER} worker)
# Inside a script element the HTML parser reads everything up to "</script" as text, except that
# "<!--" changes how a later "<script" counts: the script must have neither.
foreach(marker "</script" "<!--")
  string(FIND "${worker}" "${marker}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${WORKER} contains ${marker} and cannot be placed inside the page")
  endif()
endforeach()
string(FIND "${page}" "@KORVAN_WORKER@" slot)
if(slot EQUAL -1)
  message(FATAL_ERROR "${TEMPLATE} has no @KORVAN_WORKER@ for the worker's script")
endif()
string(REPLACE "@KORVAN_WORKER@" "${worker}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
