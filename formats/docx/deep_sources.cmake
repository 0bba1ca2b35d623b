# SPDX-License-Identifier: Apache-2.0
# The Deep Recovery reader of .docx packages (formats/docx/deep_docx.h).
target_sources(kwformats PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/deep_docx.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deep_docx.h
  ${CMAKE_CURRENT_LIST_DIR}/deflate_codes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/deflate_codes.h
  ${CMAKE_CURRENT_LIST_DIR}/entry_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry_data.h
  ${CMAKE_CURRENT_LIST_DIR}/entry_picture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry_picture.h
  ${CMAKE_CURRENT_LIST_DIR}/entry_placement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/entry_placement.h
  ${CMAKE_CURRENT_LIST_DIR}/inflate_decoder.h
  ${CMAKE_CURRENT_LIST_DIR}/inflate_repair.cpp
  ${CMAKE_CURRENT_LIST_DIR}/markup_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/markup_check.h
  ${CMAKE_CURRENT_LIST_DIR}/package_directory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/package_directory.h
  ${CMAKE_CURRENT_LIST_DIR}/package_headers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/package_headers.h
  ${CMAKE_CURRENT_LIST_DIR}/package_parts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/package_parts.h
  ${CMAKE_CURRENT_LIST_DIR}/package_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/package_scan.h
  ${CMAKE_CURRENT_LIST_DIR}/part_text_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/part_text_stream.h
  ${CMAKE_CURRENT_LIST_DIR}/picture_bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/picture_bytes.h
  ${CMAKE_CURRENT_LIST_DIR}/symbol_chars.cpp
  ${CMAKE_CURRENT_LIST_DIR}/symbol_chars.h
  ${CMAKE_CURRENT_LIST_DIR}/tolerant_inflate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tolerant_inflate.h
  ${CMAKE_CURRENT_LIST_DIR}/word_xml_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/word_xml_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/word_xml_text.h
)
# The streaming pass of the .docx text (formats/docx/document_stream.h).
target_sources(kwformats PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/document_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/document_stream.h
  ${CMAKE_CURRENT_LIST_DIR}/tag_stream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tag_stream.h
  ${CMAKE_CURRENT_LIST_DIR}/text_hash.h
  ${CMAKE_CURRENT_LIST_DIR}/byte_scan.h
  ${CMAKE_CURRENT_LIST_DIR}/text_tail.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_tail.h
)
