#include "io/containers/dmg_plist.h"

#include <cstring>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <memory>
#include <string>

namespace dmg_plist {
namespace {

struct cDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

bool Named(const xmlNode* node, const char* name) {
    return node && node->type == XML_ELEMENT_NODE &&
           std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

const xmlNode* NextElement(const xmlNode* node) {
    while (node && node->type != XML_ELEMENT_NODE) {
        node = node->next;
    }
    return node;
}

// The text directly inside an element; entity references are not followed.
std::string Text(const xmlNode* element) {
    std::string text;
    for (const xmlNode* child = element->children; child; child = child->next) {
        if ((child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) &&
            child->content) {
            text += reinterpret_cast<const char*>(child->content);
        }
    }
    return text;
}

// The value element that follows <key>name</key> in a dict, or null.
const xmlNode* Value(const xmlNode* dict, const char* name) {
    if (!Named(dict, "dict")) {
        return nullptr;
    }
    for (const xmlNode* child = NextElement(dict->children); child;
         child = NextElement(child->next)) {
        if (Named(child, "key") && Text(child) == name) {
            return NextElement(child->next);
        }
    }
    return nullptr;
}

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

} // namespace

std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text) {
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t group = 0;
    int held = 0;
    int padding = 0;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = Sextet(c);
        if (value < 0 || padding > 0) {
            return std::nullopt;
        }
        group = (group << 6) | std::uint32_t(value);
        if (++held == 4) {
            out.push_back(std::uint8_t(group >> 16));
            out.push_back(std::uint8_t(group >> 8));
            out.push_back(std::uint8_t(group));
            group = 0;
            held = 0;
        }
    }
    if (held == 1 || padding > 2) {
        return std::nullopt;
    }
    if (held == 2) {
        out.push_back(std::uint8_t(group >> 4));
    } else if (held == 3) {
        out.push_back(std::uint8_t(group >> 10));
        out.push_back(std::uint8_t(group >> 2));
    }
    return out;
}

std::optional<std::vector<std::vector<std::uint8_t>>> BlockTables(bytes::Span xml) {
    // Entity declarations could expand a small file into gigabytes; plists have none.
    const std::string_view text(reinterpret_cast<const char*>(xml.data()), xml.size());
    if (text.find("<!ENTITY") != std::string_view::npos || xml.size() > INT32_MAX) {
        return std::nullopt;
    }
    const std::unique_ptr<xmlDoc, cDocFree> doc(
        xmlReadMemory(text.data(), int(text.size()), nullptr, nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc) {
        return std::nullopt;
    }
    const xmlNode* root = xmlDocGetRootElement(doc.get());
    if (!Named(root, "plist")) {
        return std::nullopt;
    }
    const xmlNode* blkx = Value(Value(NextElement(root->children), "resource-fork"), "blkx");
    if (!Named(blkx, "array")) {
        return std::nullopt;
    }
    std::vector<std::vector<std::uint8_t>> tables;
    for (const xmlNode* entry = NextElement(blkx->children); entry;
         entry = NextElement(entry->next)) {
        const xmlNode* data = Value(entry, "Data");
        if (!Named(data, "data")) {
            continue;
        }
        std::optional<std::vector<std::uint8_t>> table = DecodeBase64(Text(data));
        if (!table) {
            return std::nullopt;
        }
        tables.push_back(std::move(*table));
    }
    return tables;
}

} // namespace dmg_plist
