# SPDX-License-Identifier: Apache-2.0
add_executable(kw_images_probe images_probe.cpp)
target_link_libraries(kw_images_probe PRIVATE kwcore)
