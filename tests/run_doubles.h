// The date source and the message display of a run, as tests use them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "generation/date_text.h"
#include "job/message_box.h"

namespace reportword::fakes {

// The same date on every call; counts the calls.
class FixedDateSource : public DateSource {
 public:
  explicit FixedDateSource(std::string date = "06-Dec-2026") : date_(std::move(date)) {}
  std::string DateText() override {
    ++calls;
    return date_;
  }
  int calls = 0;

 private:
  std::string date_;
};

// Keeps the messages instead of showing them.
class RecordingMessageDisplay : public MessageDisplay {
 public:
  struct Message {
    std::string prompt;
    MessageStyle style;
  };
  void Show(const std::string& prompt, MessageStyle style) override {
    shown.push_back({prompt, style});
  }
  std::vector<Message> shown;
};

}  // namespace reportword::fakes
