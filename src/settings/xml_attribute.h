#pragma once
// Reading attributes from the start tags of the game's small XML files (such as Resolutions.xml).
#include <optional>
#include <string>
#include <string_view>

namespace qo {

// The value of attribute `name` in the text of a start tag. An occurrence of the name counts when it starts the
// text or follows white space and is followed, past optional white space, by '=' and, past optional white
// space, a quote ('"' or '\''); the first counting occurrence decides: the value runs to the next same quote
// (none when there is no closing quote, or when nothing follows the '='). Occurrences that don't count are
// skipped. The predefined entities &lt; &gt; &quot; &apos; &amp; are decoded; other references stay as written.
std::optional<std::string> xml_attribute_value(std::string_view tag, std::string_view name);

}  // namespace qo
