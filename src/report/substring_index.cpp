#include "report/substring_index.h"

namespace reportword::report {

void SubstringIndex::Clear() {
  states_.assign(1, State{});
  last_ = 0;
}

int SubstringIndex::Next(int state, char32_t c) const {
  for (const auto& [symbol, target] : states_[static_cast<std::size_t>(state)].next) {
    if (symbol == c) return target;
  }
  return -1;
}

void SubstringIndex::SetNext(int state, char32_t c, int target) {
  auto& next = states_[static_cast<std::size_t>(state)].next;
  for (auto& entry : next) {
    if (entry.first == c) {
      entry.second = target;
      return;
    }
  }
  next.emplace_back(c, target);
}

// The standard online construction: one new state per character, at most one
// clone, so the automaton has fewer than twice as many states as characters.
void SubstringIndex::Extend(char32_t c) {
  const int current = static_cast<int>(states_.size());
  states_.push_back(State{states_[static_cast<std::size_t>(last_)].length + 1, -1, {}});
  int p = last_;
  while (p != -1 && Next(p, c) == -1) {
    SetNext(p, c, current);
    p = states_[static_cast<std::size_t>(p)].link;
  }
  if (p == -1) {
    states_[static_cast<std::size_t>(current)].link = 0;
  } else {
    const int q = Next(p, c);
    if (states_[static_cast<std::size_t>(p)].length + 1 ==
        states_[static_cast<std::size_t>(q)].length) {
      states_[static_cast<std::size_t>(current)].link = q;
    } else {
      const int clone = static_cast<int>(states_.size());
      State copy = states_[static_cast<std::size_t>(q)];
      copy.length = states_[static_cast<std::size_t>(p)].length + 1;
      states_.push_back(std::move(copy));
      while (p != -1 && Next(p, c) == q) {
        SetNext(p, c, clone);
        p = states_[static_cast<std::size_t>(p)].link;
      }
      states_[static_cast<std::size_t>(q)].link = clone;
      states_[static_cast<std::size_t>(current)].link = clone;
    }
  }
  last_ = current;
}

void SubstringIndex::Append(const std::u32string& folded) {
  for (char32_t c : folded) Extend(c);
}

bool SubstringIndex::Contains(const std::u32string& folded) const {
  int state = 0;
  for (char32_t c : folded) {
    state = Next(state, c);
    if (state == -1) return false;
  }
  return true;
}

}  // namespace reportword::report
