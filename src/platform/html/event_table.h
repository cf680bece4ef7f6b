#pragma once

#include <span>
#include <string_view>
#include <vector>

// The static event table of an HTML dialog: which handler runs for which event on which element.

enum class PageEventType { kMouseOver, kMouseOut, kClick, kChange };

enum class EventMatch {
    kByClass,      // the element's whole class attribute equals the name
    kById,         // the element's id equals the name
    kElementById,  // the element's own (non-bubbling) event, by id
};

struct EventTableEntry {
    EventMatch match;
    PageEventType type;
    std::string_view name;
    int handler;  // an index the dialog maps to one of its handlers
};

// The handlers of the entries that match an event raised by an element with this class attribute
// and id, in table order; every one of them runs. Only the raising element is looked at, never
// its parents, so the by-id and element-by-id entries match alike. Names compare exactly and
// case-sensitively against the whole attribute: "file x" is not "file". An entry with an empty
// name matches nothing, so an element without a class or id never matches by it.
std::vector<int> MatchEventTable(std::span<const EventTableEntry> table, PageEventType type,
                                 std::string_view classAttribute, std::string_view id);
