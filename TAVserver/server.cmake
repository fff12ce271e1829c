# The server program. It links no GUI library: only the protocol library,
# the storage layer, threads and the dynamic loader for libTAVbusy.so.
add_executable(TAVserver
  main.cpp
  clock.cpp
  config.cpp
  constants.cpp
  control.cpp
  dailyjob.cpp
  databases.cpp
  dispatcher.cpp
  instance.cpp
  login.cpp
  mainloop.cpp
  ownpassword.cpp
  prevstep.cpp
  records.cpp
  server.cpp
  serverlog.cpp
)
target_include_directories(TAVserver PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(TAVserver PRIVATE tavstore tavprotocol Threads::Threads ${CMAKE_DL_LIBS})
add_dependencies(TAVserver TAVbusy)
