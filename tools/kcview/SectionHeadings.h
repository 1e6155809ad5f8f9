#pragma once

// The headings of the statements' sections on the page.

#include <string>

namespace kcview {

// The heading of a statement's section element ("CurrentAssets" is 流動資産), of the net assets'
// groups the page makes (NetAssetsGroups.h) among them; an element it does not know, as it is.
std::string SectionHeading(const std::string& element);

}  // namespace kcview
