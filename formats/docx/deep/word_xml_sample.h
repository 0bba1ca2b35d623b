// SPDX-License-Identifier: Apache-2.0
#pragma once
// WordXmlSample: WordprocessingML as package writers put it, which the pair
// model learns before a stream's own output (pair_model.h).

#include <string_view>

namespace kw {

std::string_view WordXmlSample();

}  // namespace kw
