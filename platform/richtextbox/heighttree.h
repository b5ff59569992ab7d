#pragma once

#include <cstddef>
#include <vector>

namespace platform {

/// The heights of a document's blocks in a Fenwick tree: a block's top, the
/// total, and the block at a given height in O(log n); changing one height
/// in O(log n); inserting or removing blocks rebuilds in O(n).
class HeightTree {
public:
    std::size_t size() const { return m_heights.size(); }
    double height(std::size_t index) const { return m_heights[index]; }
    /// Sum of the heights of the blocks before index (index may be size()).
    double top(std::size_t index) const;
    double total() const { return top(size()); }
    /// The block that holds y: the last one whose top is at or above y;
    /// 0 above the first, size() - 1 below the last (size() when empty).
    std::size_t indexAt(double y) const;

    void set(std::size_t index, double height);
    /// Replaces count heights from index on with heights.
    void replace(std::size_t index, std::size_t count, const std::vector<double>& heights);
    void assign(std::vector<double> heights);

private:
    void rebuild();
    std::vector<double> m_heights;
    std::vector<double> m_tree; ///< m_tree[i] sums m_heights over (i & (i + 1)) .. i
};

} // namespace platform
