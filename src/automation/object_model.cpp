#include "automation/object_model.h"

#include <utility>
#include <vector>

namespace reportword::automation {

namespace {

Variant BoolArgument(const std::optional<bool>& value) {
  return OptionalArgument(value, Variant::Bool);
}

Variant Int32Argument(const std::optional<int>& value) {
  return OptionalArgument(value, Variant::Int32);
}

template <typename Enum>
Variant EnumArgument(const std::optional<Enum>& value) {
  return OptionalArgument(value, [](Enum e) { return Variant::Int32(static_cast<int>(e)); });
}

}  // namespace

bool ExecuteFind(const DispatchObject& find, const FindExecuteArgs& a) {
  // A replacement passed by reference points at `replacement`, which
  // therefore stays put and alive until the call has returned.
  Variant replacement;
  Variant replace_with = Variant::Omitted();
  if (a.replace_with) {
    replacement = Variant::String(a.replace_with->text);
    replace_with = a.replace_with->by_reference ? Variant::StringReference(replacement)
                                                : std::move(replacement);
  }

  std::vector<Variant> args;
  args.reserve(15);
  args.push_back(Variant::String(a.find_text));
  args.push_back(BoolArgument(a.match_case));
  args.push_back(BoolArgument(a.match_whole_word));
  args.push_back(BoolArgument(a.match_wildcards));
  args.push_back(BoolArgument(a.match_sounds_like));
  args.push_back(BoolArgument(a.match_all_word_forms));
  args.push_back(BoolArgument(a.forward));
  args.push_back(Int32Argument(a.wrap));
  args.push_back(BoolArgument(a.format));
  args.push_back(std::move(replace_with));
  args.push_back(Int32Argument(a.replace));
  args.push_back(BoolArgument(a.match_kashida));
  args.push_back(BoolArgument(a.match_diacritics));
  args.push_back(BoolArgument(a.match_alef_hamza));
  args.push_back(BoolArgument(a.match_control));
  return find.BoolFrom("Execute", find.Call("Execute", std::move(args)));
}

DispatchObject ConvertToTable(const DispatchObject& selection, const ConvertToTableArgs& a) {
  std::vector<Variant> args;
  args.reserve(16);
  args.push_back(EnumArgument(a.separator));
  args.push_back(OptionalArgument(a.num_rows, Variant::Double));
  args.push_back(OptionalArgument(a.num_columns, Variant::Int16));
  args.push_back(OptionalArgument(a.initial_column_width, Variant::Float));
  args.push_back(Int32Argument(a.format));
  args.push_back(BoolArgument(a.apply_borders));
  args.push_back(BoolArgument(a.apply_shading));
  args.push_back(BoolArgument(a.apply_font));
  args.push_back(BoolArgument(a.apply_color));
  args.push_back(BoolArgument(a.apply_heading_rows));
  args.push_back(BoolArgument(a.apply_last_row));
  args.push_back(BoolArgument(a.apply_first_column));
  args.push_back(BoolArgument(a.apply_last_column));
  args.push_back(BoolArgument(a.auto_fit));
  args.push_back(EnumArgument(a.auto_fit_behavior));
  args.push_back(Int32Argument(a.default_table_behavior));
  return selection.ObjectFrom("ConvertToTable", selection.Call("ConvertToTable", std::move(args)),
                              "Table");
}

}  // namespace reportword::automation
