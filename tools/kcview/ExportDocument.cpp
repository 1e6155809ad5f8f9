#include "tools/kcview/ExportDocument.h"

#include <charconv>

namespace kcview {

const std::string* XmlNode::Attribute(const std::string& key) const {
    for (const auto& [name, value] : attributes) {
        if (name == key) return &value;
    }
    return nullptr;
}

std::string XmlNode::ChildText(const std::string& key) const {
    const XmlNode* child = Child(key);
    return child ? child->text : std::string();
}

const XmlNode* XmlNode::Child(const std::string& key) const {
    for (const XmlNode& child : children) {
        if (child.name == key) return &child;
    }
    return nullptr;
}

std::string XmlNode::Label() const {
    const std::string* label = Attribute("Label");
    return label && !label->empty() ? *label : name;
}

const XmlNode* ExportDocument::Section(const std::string& name) const {
    for (const XmlNode& section : sections) {
        if (section.name == name) return &section;
    }
    return nullptr;
}

std::optional<std::int64_t> ParseAmount(const std::string& text) {
    if (text.empty()) return 0;
    const char* first = text.data();
    const char* last = first + text.size();
    // from_chars takes a minus but no plus, and nothing after the digits.
    if (*first == '-' && text.size() == 1) return std::nullopt;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return std::nullopt;
    return value;
}

namespace {

void CollectItems(const XmlNode& node, const std::string& part, std::vector<StatementItem>& items) {
    for (const XmlNode& child : node.children) {
        if (child.name == "Item") {
            items.push_back(
                {child.Label(), ParseAmount(child.text).value_or(0), child.line, node.name, part});
        } else {
            CollectItems(child, part, items);
        }
    }
}

}  // namespace

std::vector<StatementItem> ItemsOf(const ExportDocument& document, const std::string& statement) {
    std::vector<StatementItem> items;
    if (const XmlNode* node = document.Section(statement)) {
        for (const XmlNode& part : node->children) CollectItems(part, part.name, items);
    }
    return items;
}

}  // namespace kcview
