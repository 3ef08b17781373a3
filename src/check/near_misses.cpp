#include "check/near_misses.h"

#include <algorithm>

#include "check/check_result.h"
#include "text/unicode.h"

namespace reportword::check {
namespace {

// The longest text between brackets that is still compared.
constexpr std::size_t kMaxInner = 40;
constexpr std::size_t kMaxEdits = 2;

// Brackets a reader takes for the angle brackets of a placeholder.
constexpr std::u32string_view kOpening = U"<\u2039\u00AB\u27E8\u2329\u3008\uFF1C\u02C2[{";
constexpr std::u32string_view kClosing = U">\u203A\u00BB\u27E9\u232A\u3009\uFF1E\u02C3]}";

bool IsOpening(char32_t cp) {
  return kOpening.find(cp) != std::u32string_view::npos;
}
bool IsClosing(char32_t cp) {
  return kClosing.find(cp) != std::u32string_view::npos;
}
bool IsWordCharacter(char32_t cp) {
  return cp == '-' || cp == '_' || text::IsLetterOrDigit(cp);
}

// A piece of text that may be meant as a placeholder: its brackets (0 where
// one is missing) and what stands between them.
struct Candidate {
  std::size_t begin, end;
  std::size_t inner_begin, inner_end;
  char32_t opening, closing;
};

// The closest placeholder to `candidate`, if it is close enough to count.
bool Judge(std::u32string_view text, const Candidate& candidate,
           const std::vector<std::u32string>& placeholders, NearMiss& out) {
  std::u32string_view inner =
      text.substr(candidate.inner_begin, candidate.inner_end - candidate.inner_begin);
  const std::size_t inner_size = inner.size();
  while (!inner.empty() && text::IsWhiteSpace(inner.front())) inner.remove_prefix(1);
  while (!inner.empty() && text::IsWhiteSpace(inner.back())) inner.remove_suffix(1);
  if (inner.empty()) return false;
  const std::size_t missing = (candidate.opening == 0) + (candidate.closing == 0);
  unsigned reasons = 0;
  if ((candidate.opening && candidate.opening != '<') ||
      (candidate.closing && candidate.closing != '>')) {
    reasons |= kOtherBrackets;
  }
  if (missing > 0) reasons |= kMissingBracket;
  if (inner.size() != inner_size) reasons |= kSpacesInside;
  std::size_t best = kMaxEdits + 1;
  for (std::size_t i = 0; i < placeholders.size(); ++i) {
    const std::u32string_view name =
        std::u32string_view(placeholders[i]).substr(1, placeholders[i].size() - 2);
    const std::size_t distance = EditDistance(inner, name, kMaxEdits + 1);
    if (distance + missing < best) {
      best = distance + missing;
      out.placeholder = i;
      out.reasons = reasons | (distance == 1   ? kOneCharacterOff
                               : distance == 2 ? kTwoCharactersOff
                                               : 0u);
    }
  }
  // Nothing wrong at all: the search finds it.
  if (best > kMaxEdits || out.reasons == 0) return false;
  out.begin = candidate.begin;
  out.end = candidate.end;
  return true;
}

}  // namespace

std::size_t EditDistance(std::u32string_view a, std::u32string_view b, std::size_t cap) {
  const std::size_t length_gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
  if (length_gap >= cap) return cap;
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return std::min(row[b.size()], cap);
}

std::vector<NearMiss> FindNearMisses(std::u32string_view text,
                                     const std::vector<std::u32string>& placeholders) {
  std::vector<NearMiss> found;
  std::size_t taken = 0;  // text before this belongs to a candidate already
  auto consider = [&](const Candidate& candidate) {
    NearMiss miss;
    if (!Judge(text, candidate, placeholders, miss)) return false;
    found.push_back(miss);
    taken = candidate.end;
    return true;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i < taken) continue;
    if (IsOpening(text[i])) {
      std::size_t j = i + 1;
      while (j < text.size() && j - i <= kMaxInner && !IsOpening(text[j]) && !IsClosing(text[j]) &&
             text[j] != '\t' && text[j] != '\n') {
        ++j;
      }
      if (j < text.size() && IsClosing(text[j])) {
        // A bracketed text is one candidate, placeholder or not.
        consider({i, j + 1, i + 1, j, text[i], text[j]});
        taken = std::max(taken, j + 1);
        continue;
      }
      std::size_t word_end = i + 1;
      while (word_end < text.size() && IsWordCharacter(text[word_end])) ++word_end;
      if (word_end > i + 1) consider({i, word_end, i + 1, word_end, text[i], 0});
    } else if (IsClosing(text[i])) {
      std::size_t word_begin = i;
      while (word_begin > taken && IsWordCharacter(text[word_begin - 1])) --word_begin;
      if (word_begin < i && (word_begin == 0 || !IsOpening(text[word_begin - 1]))) {
        consider({word_begin, i + 1, word_begin, i, 0, text[i]});
      }
    }
  }
  return found;
}

}  // namespace reportword::check
