// A C library opened on first use instead of at start: the voice and the decoder bring some
// thirty libraries of their own, which every start would otherwise load and relocate.
#pragma once

#include <dlfcn.h>

#include <initializer_list>

class LazyLibrary final
{
  public:
    // The first name that opens is used, so a library renamed by a later version still loads.
    explicit LazyLibrary(std::initializer_list<const char*> names)
    {
        for (const char* name : names)
            if ((m_handle = dlopen(name, RTLD_NOW | RTLD_LOCAL)))
                break;
    }
    LazyLibrary(const LazyLibrary&) = delete;
    LazyLibrary& operator=(const LazyLibrary&) = delete;
    // Left open: its code may still run on another thread, or in an exit handler of its own.

    bool opened() const { return m_handle != nullptr; }

    // Sets `function` to the library's symbol of that name; false (and null) when absent.
    template <typename Function> bool bind(Function*& function, const char* name) const
    {
        function = m_handle ? reinterpret_cast<Function*>(dlsym(m_handle, name)) : nullptr;
        return function != nullptr;
    }

  private:
    void* m_handle = nullptr;
};
