// The kinds of header and of footer every section has, defined or not:
// primary ("default" in the XML), first page ("first") and even pages ("even").
#pragma once

namespace reportword::docx {

enum class HeaderFooterKind { kDefault, kFirst, kEven };
inline constexpr int kHeaderFooterKinds = 3;

}  // namespace reportword::docx
