# SPDX-FileCopyrightText: 2026 Scanvet developers
# SPDX-License-Identifier: GPL-3.0-or-later

# scanvet_logging_category(TARGET IDENTIFIER CATEGORY)
# Gives the folder of TARGET a header "<folder>/Log.h" declaring IDENTIFIER,
# a Qt logging category named CATEGORY ("scanvet.<area>"). It logs nothing
# unless QT_LOGGING_RULES turns it on, for example
# QT_LOGGING_RULES="scanvet.files=true".
set(SCANVET_LOG_TEMPLATES ${CMAKE_CURRENT_LIST_DIR})
function(scanvet_logging_category target identifier category)
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  set(SCANVET_LOG_IDENTIFIER ${identifier})
  set(SCANVET_LOG_CATEGORY ${category})
  set(SCANVET_LOG_FOLDER ${folder})
  configure_file(${SCANVET_LOG_TEMPLATES}/Log.h.in ${CMAKE_BINARY_DIR}/generated/${folder}/Log.h @ONLY)
  configure_file(${SCANVET_LOG_TEMPLATES}/Log.cpp.in ${CMAKE_BINARY_DIR}/generated/${folder}/Log.cpp @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/generated/${folder}/Log.cpp)
  target_include_directories(${target} PUBLIC ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(${target} PUBLIC Qt6::Core)
endfunction()
