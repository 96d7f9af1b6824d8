#pragma once
// Which parsers are tried where. The whole-storage node and the partitions that MBR, EBR
// and GPT entries describe are probed in different orders; the first probe that answers
// yes chooses the parser.

#include <memory>

class cPartParser;
class cPartTreeItem;

// Attaches the parser to the node and runs its Parse there. Attaching replaces (and so
// destroys) a parser the node already carries: a parser handing its node over to
// another must return right after this call without touching its own members.
bool RunParser(cPartTreeItem& node, std::unique_ptr<cPartParser> parser);

// The whole-storage node: the chosen parser's result, or yes when none applies.
bool RootParse(cPartTreeItem& node);

// A partition just added by an MBR, EBR or GPT entry, searched for a map of its own.
void NestedParse(cPartTreeItem& node);
