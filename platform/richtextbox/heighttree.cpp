#include "platform/richtextbox/heighttree.h"

#include <algorithm>
#include <bit>
#include <iterator>

namespace platform {

double HeightTree::top(std::size_t index) const
{
    double sum = 0;
    for (std::size_t i = std::min(index, size()); i > 0; i &= i - 1)
        sum += m_tree[i - 1];
    return sum;
}

std::size_t HeightTree::indexAt(double y) const
{
    if (m_heights.empty())
        return 0;
    // Descends the tree: after each step, position blocks lie wholly at or
    // above y.
    std::size_t position = 0;
    double remaining = y;
    for (std::size_t step = std::bit_floor(size()); step > 0; step >>= 1) {
        const std::size_t next = position + step;
        if (next <= size() && m_tree[next - 1] <= remaining) {
            position = next;
            remaining -= m_tree[next - 1];
        }
    }
    return std::min(position, size() - 1);
}

void HeightTree::set(std::size_t index, double height)
{
    const double delta = height - m_heights[index];
    if (delta == 0)
        return;
    m_heights[index] = height;
    for (std::size_t i = index; i < size(); i |= i + 1)
        m_tree[i] += delta;
}

void HeightTree::replace(std::size_t index, std::size_t count, const std::vector<double>& heights)
{
    if (count == heights.size()) {
        for (std::size_t i = 0; i < count; ++i)
            set(index + i, heights[i]);
        return;
    }
    const auto at = m_heights.begin() + static_cast<std::ptrdiff_t>(index);
    m_heights.insert(m_heights.erase(at, at + static_cast<std::ptrdiff_t>(count)), heights.begin(),
                     heights.end());
    rebuild();
}

void HeightTree::assign(std::vector<double> heights)
{
    m_heights = std::move(heights);
    rebuild();
}

void HeightTree::rebuild()
{
    m_tree = m_heights;
    for (std::size_t i = 0; i < m_tree.size(); ++i) {
        const std::size_t parent = i | (i + 1);
        if (parent < m_tree.size())
            m_tree[parent] += m_tree[i];
    }
}

} // namespace platform
