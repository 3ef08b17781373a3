// Answers "does this text occur in the collected text?" in time proportional
// to the question, however long the collected text has grown: a suffix
// automaton over the case-folded text, extended as text is appended.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace reportword::report {

class SubstringIndex {
 public:
  SubstringIndex() { Clear(); }
  void Clear();
  // Appends case-folded code points (see text::FoldCase).
  void Append(const std::u32string& folded);
  bool Contains(const std::u32string& folded) const;

 private:
  struct State {
    int length = 0;
    int link = -1;
    std::vector<std::pair<char32_t, int>> next;  // few per state; searched linearly
  };
  int Next(int state, char32_t c) const;
  void SetNext(int state, char32_t c, int target);
  void Extend(char32_t c);

  std::vector<State> states_;
  int last_ = 0;
};

}  // namespace reportword::report
