// The texts of the template check that people read, one function per message.
// The human form comes in the reader's language; the JSON form, which
// scripts read, keeps the finding texts in English under every locale.
#pragma once

#include <string>

#include "check/check_result.h"

namespace reportword::check {

enum class Wording { kReaderLanguage, kEnglish };

// "section 2 first-page footer", "section 1 body (in a text box)".
std::string PlaceText(const Place& place, Wording wording);

// One line that names the template, the place and the fix.
std::string FindingText(const std::string& path, const Finding& finding, Wording wording);

// What the runs of one mode do with an occurrence: "yes", "when not blank",
// "document 1 only", "no".
std::string ReplacementText(const Replacement& replacement);

// The headings of the occurrence table, in column order.
std::string PlaceholderHeading();
std::string WrittenAsHeading();
std::string PlaceHeading();
std::string NetworkRunHeading();
std::string RoadRunHeading();

std::string NoPlaceholdersText();
std::string NoFindingsText();

// The usage line of the check's command line.
std::string CheckUsageText();

}  // namespace reportword::check
