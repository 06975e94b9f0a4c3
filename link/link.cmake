# The board link: serial port layer, command framing, boards and
# identification, errors.
add_library(plyx_link STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ZentrovaCom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ZentrovaPort.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ZentrovaFraming.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ZentrovaBoards.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ZentrovaPortProbe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReplyParser.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Copyright.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LinkText.cpp)
target_link_libraries(plyx_link PUBLIC plyx_commlog plyx_platform plyx_serial)
