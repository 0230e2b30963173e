// SPDX-License-Identifier: MIT
// Nodes of a standard map of strings kept from one run of a parser to the
// next. A run's look-ups are emptied at its end; the next run's entries reuse
// the nodes, and the capacity of the strings inside them, instead of
// allocating three blocks each.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

namespace Tessel {

template <class Map>
class NodePool {
public:
    using Node = typename Map::node_type;

    // Inserts (key, mapped) into map at hint, in a kept node when there is one.
    typename Map::iterator insert(Map& map, typename Map::const_iterator hint, std::string_view key,
                                  std::string_view mapped)
    {
        if (nodes_.empty())
            return map.emplace_hint(hint, key, mapped);
        Node node = std::move(nodes_.back());
        nodes_.pop_back();
        node.key().assign(key.data(), key.size());
        node.mapped().assign(mapped.data(), mapped.size());
        return map.insert(hint, std::move(node));
    }

    // Empties map, keeping up to KeptNodes of its nodes. Nodes holding long
    // strings are freed, so that one message with a huge source does not
    // stay in memory for the life of the parser.
    void reclaim(Map& map)
    {
        while (!map.empty() && nodes_.size() < KeptNodes) {
            Node node = map.extract(map.begin());
            if (node.key().capacity() + node.mapped().capacity() <= KeptBytes)
                nodes_.push_back(std::move(node));
        }
        map.clear();
    }

private:
    static constexpr std::size_t KeptNodes = 64;
    static constexpr std::size_t KeptBytes = 512;

    std::vector<Node> nodes_;
};

}  // namespace Tessel
