# The server program. It links no GUI library: only the protocol library,
# the storage layer, threads and the dynamic loader for libTAVbusy.so.
# Everything but main() is a library, so fuzzers can drive the dispatcher.
add_library(tavserver_core STATIC
  approvals.cpp
  accounts.cpp
  authorisations.cpp
  clock.cpp
  collections.cpp
  conditions.cpp
  config.cpp
  constants.cpp
  control.cpp
  dailyjob.cpp
  databases.cpp
  dispatcher.cpp
  equipment.cpp
  instance.cpp
  login.cpp
  mainloop.cpp
  ownpassword.cpp
  preventive.cpp
  prevstep.cpp
  proposals.cpp
  records.cpp
  report.cpp
  savedsearches.cpp
  searches.cpp
  server.cpp
  serverlog.cpp
  session.cpp
  usedtime.cpp
  workorders.cpp
  wowriting.cpp
)
target_include_directories(tavserver_core PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tavserver_core PUBLIC tavstore tavprotocol Threads::Threads ${CMAKE_DL_LIBS})

add_executable(TAVserver main.cpp)
target_link_libraries(TAVserver PRIVATE tavserver_core)
add_dependencies(TAVserver TAVbusy)
