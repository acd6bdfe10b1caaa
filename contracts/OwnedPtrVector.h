// A vector of pointers that owns what it points to. Records that travel between modules keep
// their lists as plain vectors of pointers (receivers take and hand on `std::vector<T*>`), and
// this type adds only the ownership: it deletes its items when destroyed and copies them deeply.
#pragma once

#include <utility>
#include <vector>

template <class T>
class OwnedPtrVector : public std::vector<T*> {
 public:
  OwnedPtrVector() = default;
  OwnedPtrVector(const OwnedPtrVector& other) : std::vector<T*>() {
    this->reserve(other.size());
    try {
      for (const T* item : other) this->push_back(item != nullptr ? new T(*item) : nullptr);
    } catch (...) {
      DeleteAll();
      throw;
    }
  }
  OwnedPtrVector(OwnedPtrVector&& other) noexcept : std::vector<T*>(std::move(other)) {}
  OwnedPtrVector& operator=(OwnedPtrVector other) noexcept {
    this->swap(other);
    return *this;
  }
  ~OwnedPtrVector() { DeleteAll(); }

  // clear(), erase() and pop_back() of the base give items up without deleting them (for
  // handing them on); these delete.
  void DeleteAll() {
    for (T* item : *this) delete item;
    this->clear();
  }
  void DeleteAt(typename std::vector<T*>::size_type index) {
    if (index >= this->size()) return;
    delete (*this)[index];
    this->erase(this->begin() + index);
  }
};

static_assert(sizeof(OwnedPtrVector<int>) == sizeof(std::vector<int*>), "same shape as the vector");
