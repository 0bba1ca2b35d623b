# SPDX-License-Identifier: Apache-2.0
# The Deep Recovery reader of Word 97-2003, 6.0/95 and 2.0 text.
target_sources(kwformats PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/code_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/code_page.h
  ${CMAKE_CURRENT_LIST_DIR}/compound_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/compound_file.h
  ${CMAKE_CURRENT_LIST_DIR}/deep_doc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deep_doc.h
  ${CMAKE_CURRENT_LIST_DIR}/fib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fib.h
  ${CMAKE_CURRENT_LIST_DIR}/piece_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/piece_table.h
  ${CMAKE_CURRENT_LIST_DIR}/plain_chars.cpp
  ${CMAKE_CURRENT_LIST_DIR}/plain_chars.h
  ${CMAKE_CURRENT_LIST_DIR}/rtf_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rtf_text.h
  ${CMAKE_CURRENT_LIST_DIR}/story_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/story_text.h
  ${CMAKE_CURRENT_LIST_DIR}/stream_source.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stream_source.h
  ${CMAKE_CURRENT_LIST_DIR}/text_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_scan.h
  ${CMAKE_CURRENT_LIST_DIR}/word_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/word_text.h
)
