// The texts of the template check that people read, one function per message
// so that each can be translated on its own. The JSON form uses the finding
// texts too; its keys and values are not texts for people.
#pragma once

#include <string>

#include "check/check_result.h"

namespace reportword::check {

// "section 2 first-page footer", "section 1 body (in a text box)".
std::string PlaceText(const Place& place);

// One line that names the template, the place and the fix.
std::string FindingText(const std::string& path, const Finding& finding);

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
