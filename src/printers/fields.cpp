// SPDX-License-Identifier: MIT
// The default label of labelled fields, built once.
#include "quarn/fields.hpp"

namespace quarn::detail {

const t<std::string>& default_field_label() {
  static const t<std::string> label = styled(Fg(Yellow), string);
  return label;
}

}  // namespace quarn::detail
