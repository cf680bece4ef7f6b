#include "platform/html/event_table.h"

std::vector<int> MatchEventTable(std::span<const EventTableEntry> table, PageEventType type,
                                 std::string_view classAttribute, std::string_view id) {
    std::vector<int> handlers;
    for (const EventTableEntry& entry : table) {
        if (entry.type != type || entry.name.empty()) {
            continue;
        }
        const std::string_view subject = entry.match == EventMatch::kByClass ? classAttribute : id;
        if (subject == entry.name) {
            handlers.push_back(entry.handler);
        }
    }
    return handlers;
}
