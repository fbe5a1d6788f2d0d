#pragma once

// Root object and handler slots shared by the serial library's classes.

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace HalvikComm32 {

// Root of the library's object tree: virtual dispatch and destruction only.
// Handlers receive the raising object as a TObject*.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;
};

// A notification handler (object and method, usually a lambda capturing the
// object). The slot may be reassigned by the owner's thread while an engine
// thread is calling it: assignment swaps a shared pointer under a tiny mutex
// and the call runs on a copy, outside that mutex, so a handler may itself
// reassign the slot. After reassignment a call already under way finishes with
// the old handler.
template <typename... Args>
class TEventHandler {
public:
    using Function = std::function<void(Args...)>;

    TEventHandler() = default;
    TEventHandler(Function fn) { Assign(std::move(fn)); }  // NOLINT: implicit by design
    TEventHandler(const TEventHandler& other) : Fn(other.Snapshot()) {}
    TEventHandler& operator=(const TEventHandler& other)
    {
        if (this != &other) {
            auto fn = other.Snapshot();
            std::lock_guard lock(Mutex);
            Fn = std::move(fn);
        }
        return *this;
    }
    TEventHandler& operator=(Function fn)
    {
        Assign(std::move(fn));
        return *this;
    }
    TEventHandler& operator=(std::nullptr_t)
    {
        Assign(nullptr);
        return *this;
    }
    ~TEventHandler() = default;

    void Assign(Function fn)
    {
        std::shared_ptr<const Function> next;
        if (fn)
            next = std::make_shared<const Function>(std::move(fn));
        std::lock_guard lock(Mutex);
        Fn = std::move(next);
    }

    // The handler as a plain function (empty when none is set); used to chain.
    Function Get() const
    {
        auto fn = Snapshot();
        return fn ? *fn : Function{};
    }

    explicit operator bool() const { return Snapshot() != nullptr; }

    // Calls the handler if one is set; exceptions pass to the caller.
    void operator()(Args... args) const
    {
        if (auto fn = Snapshot())
            (*fn)(args...);
    }

private:
    std::shared_ptr<const Function> Snapshot() const
    {
        std::lock_guard lock(Mutex);
        return Fn;
    }

    mutable std::mutex Mutex;
    std::shared_ptr<const Function> Fn;
};

// Handler taking the sender.
using TNotifyEvent = TEventHandler<TObject*>;
// Handler taking the sender and a notification bit set.
using TCommNotifyEvent = TEventHandler<TObject*, int>;

}  // namespace HalvikComm32
