#include "job/command_line.h"

#include <array>
#include <cstdint>
#include <limits>

#include "text/translate.h"
#include "text/unicode.h"

namespace reportword {
namespace {

struct NetworkCode {
  std::string_view code;
  std::string_view network_name;
};

// Tested in this order; the first match wins.
constexpr std::array<NetworkCode, 3> kNetworkCodes{{
    {"9520e000", "Niederspannungsnetz"},
    {"9570e000", "Signalkabelnetz"},
    {"9500e000", "Hochspannung"},
}};

// The keyword is written with "ß", but callers often cannot type it and write
// "SS" instead; both spellings are accepted, case ignored. The equivalence is
// for this keyword only and stays out of the general text comparison.
bool IsRoadRenovationKeyword(std::string_view word) {
  std::u32string folded;
  for (char32_t c : text::FoldCase(word)) {
    if (c == U'ß') {
      folded += U"ss";
    } else {
      folded.push_back(c);
    }
  }
  return folded == U"strassensanierung";
}

void RemoveDoubleQuotesAndTrim(std::string& field) {
  std::erase(field, '"');
  field = text::TrimmedCopy(field);
}

}  // namespace

void ApplyCode(std::string_view first_word, JobState& job) {
  job.NetworkName.clear();
  bool is_network_code = false;
  for (const NetworkCode& entry : kNetworkCodes) {
    if (text::EqualsIgnoreCase(first_word, entry.code)) {
      job.NetworkName = entry.network_name;
      is_network_code = true;
      break;
    }
  }
  if (!is_network_code && IsRoadRenovationKeyword(first_word)) job.RoadRenovationMode = true;
}

CommandLineResult ParseCommandLine(std::string_view argument_text, JobState& job,
                                   MessageDisplay& messages) {
  if (text::IsBlank(argument_text)) return CommandLineResult::kEmpty;
  ApplyCode(argument_text.substr(0, argument_text.find(' ')), job);

  const std::array<std::string*, 5> fields{&job.TemplatePath1, &job.TemplatePath2,
                                           &job.ReportFilePath, &job.TargetPath1, &job.TargetPath2};
  for (std::string* field : fields) field->clear();

  // The field counter keeps the width of the original 16-bit counter: callers
  // rely on the overflow being reported rather than the count wrapping around.
  std::int16_t opened_fields = 0;
  bool inside_quotes = false;
  // Byte-wise scanning is safe for UTF-8: a double quote never occurs inside a
  // multi-byte sequence, and every other byte is copied unchanged.
  for (char c : argument_text) {
    if (c == '"') {
      if (!inside_quotes) {
        if (opened_fields == std::numeric_limits<std::int16_t>::max()) {
          messages.Show(
              text::Translate("Overflow: more than 32767 quoted fields on the command line"),
              MessageStyle::kPlain);
          return CommandLineResult::kIncomplete;
        }
        ++opened_fields;
      }
      inside_quotes = !inside_quotes;
    }
    if (opened_fields >= 1 && opened_fields <= static_cast<int>(fields.size())) {
      fields[static_cast<std::size_t>(opened_fields - 1)]->push_back(c);
    }
  }

  for (std::string* field : fields) RemoveDoubleQuotesAndTrim(*field);
  return opened_fields >= 5 ? CommandLineResult::kComplete : CommandLineResult::kIncomplete;
}

std::string BuildArgumentText(int argc, const char* const* argv) {
  std::string argument_text;
  for (int i = 1; i < argc; ++i) {
    if (i == 1) {
      argument_text = argv[i];
    } else {
      argument_text += " \"";
      argument_text += argv[i];
      argument_text += '"';
    }
  }
  return argument_text;
}

const char* ArgumentWithDoubleQuote(int argc, const char* const* argv) {
  for (int i = 2; i < argc; ++i) {
    if (std::string_view(argv[i]).find('"') != std::string_view::npos) return argv[i];
  }
  return nullptr;
}

std::string ArgumentTextFromWindowsCommandLine(std::u16string_view command_line) {
  std::size_t pos = 0;
  if (!command_line.empty() && command_line[0] == u'"') {
    const std::size_t closing = command_line.find(u'"', 1);
    pos = closing == std::u16string_view::npos ? command_line.size() : closing + 1;
  } else {
    while (pos < command_line.size() && command_line[pos] != u' ' && command_line[pos] != u'\t') {
      ++pos;
    }
  }
  while (pos < command_line.size() && (command_line[pos] == u' ' || command_line[pos] == u'\t')) {
    ++pos;
  }
  return text::Utf16ToUtf8(command_line.substr(pos));
}

}  // namespace reportword
