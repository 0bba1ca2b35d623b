# SPDX-License-Identifier: Apache-2.0
if(TARGET kwui)
  add_executable(kw_gui_probe gui_probe.cpp)
  target_link_libraries(kw_gui_probe PRIVATE kwui)
endif()
