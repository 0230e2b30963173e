// Nodes of a standard map or set kept from one run of a parser to the next.
// A run's look-ups are emptied at its end; the next run's entries reuse the
// nodes, and the capacity of the strings inside them, instead of allocating.
#pragma once

#include <cstddef>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace Tessel {

template <class Container>
class NodePool {
public:
    using Node = typename Container::node_type;

    // Inserts the entry made of the given strings (a set's value, or a map's
    // key and mapped value) into c at hint, in a kept node when there is one.
    template <class... Strings>
    typename Container::iterator insert(Container& c, typename Container::const_iterator hint,
                                        const Strings&... strings)
    {
        if (nodes_.empty())
            return c.emplace_hint(hint, strings...);
        Node node = std::move(nodes_.back());
        nodes_.pop_back();
        fill(node, strings...);
        return c.insert(hint, std::move(node));
    }

    // Empties c, keeping up to KeptNodes of its nodes. Nodes holding long
    // strings are freed, so that one message with a huge source does not
    // stay in memory for the life of the parser.
    void reclaim(Container& c)
    {
        while (!c.empty() && nodes_.size() < KeptNodes) {
            Node node = c.extract(c.begin());
            if (bytesHeld(node) <= KeptBytes)
                nodes_.push_back(std::move(node));
        }
        c.clear();
    }

private:
    static constexpr std::size_t KeptNodes = 64;
    static constexpr std::size_t KeptBytes = 512;

    static void fill(Node& node, std::string_view value) { node.value().assign(value.data(), value.size()); }
    static void fill(Node& node, std::string_view key, std::string_view mapped)
    {
        node.key().assign(key.data(), key.size());
        node.mapped().assign(mapped.data(), mapped.size());
    }

    static std::size_t bytesHeld(const Node& node)
    {
        if constexpr (std::is_same_v<typename Container::key_type, typename Container::value_type>)
            return node.value().capacity();
        else
            return node.key().capacity() + node.mapped().capacity();
    }

    std::vector<Node> nodes_;
};

}  // namespace Tessel
