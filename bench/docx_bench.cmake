# SPDX-License-Identifier: Apache-2.0
# .docx benchmarks (bench/docx_bench.sh runs them).
add_executable(kw_docx_html_to_text ${CMAKE_CURRENT_LIST_DIR}/docx_html_to_text.cpp)
target_link_libraries(kw_docx_html_to_text PRIVATE kwcore)
