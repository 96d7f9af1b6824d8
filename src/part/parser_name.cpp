#include "part/part_parser.h"

std::string_view ParserName(std::uint32_t parserId) {
    switch (parserId) {
    case parser_id::kMbr:
        return "MBR";
    case parser_id::kApple:
        return "Apple";
    case parser_id::kBsd:
        return "BSD";
    case parser_id::kGpt:
        return "GPT";
    case parser_id::kLvm:
        return "LVM2";
    case parser_id::kNetWare:
        return "NetWare";
    case parser_id::kNss:
        return "NSS";
    case parser_id::kLdm:
        return "NT LDM";
    case parser_id::kSolaris:
        return "Solaris";
    case parser_id::kSnap:
        return "Snap";
    default:
        return {};
    }
}
