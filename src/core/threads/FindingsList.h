#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace quorvel::core {

// The ordered findings of one scan category. Only the UI thread changes or reads a list while a
// worker may run: workers add through UiBridge::sync, so every change happens on the UI thread
// and no lock is needed. A plain vector underneath; emptied at the start of every scan.
template <class T>
class FindingsList {
public:
    using value_type = T;
    using iterator = typename std::vector<T>::iterator;
    using const_iterator = typename std::vector<T>::const_iterator;

    void push_back(T item) { items_.push_back(std::move(item)); }
    template <class... Args>
    T& emplace_back(Args&&... args) {
        return items_.emplace_back(std::forward<Args>(args)...);
    }
    void erase(std::size_t index) {
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    void clear() { items_.clear(); }

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    T& operator[](std::size_t index) { return items_[index]; }
    const T& operator[](std::size_t index) const { return items_[index]; }
    iterator begin() { return items_.begin(); }
    iterator end() { return items_.end(); }
    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }
    const std::vector<T>& items() const { return items_; }

private:
    std::vector<T> items_;
};

}  // namespace quorvel::core
