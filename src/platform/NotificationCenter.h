// The default notification centre: named notifications with an attached object, delivered
// synchronously on the posting thread to every observer of that name, in registration order.
// Posting is safe from any thread; an observer may post, add or remove observers (itself
// included) from inside its handler.
#pragma once

#include "platform/NSObject.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class NSNotification {
public:
    NSNotification(std::string name, NSObjectPtr object, const void* sender)
        : ownedName_(std::move(name)), object_(std::move(object)), sender_(sender) {}
    // A copy always owns its name: handlers may keep one past the post.
    NSNotification(const NSNotification& other)
        : ownedName_(other.name()), object_(other.object_), sender_(other.sender_) {}
    NSNotification& operator=(const NSNotification& other) {
        if (this != &other) {
            ownedName_ = other.name();
            borrowedName_ = nullptr;
            object_ = other.object_;
            sender_ = other.sender_;
        }
        return *this;
    }

    const std::string& name() const { return borrowedName_ ? *borrowedName_ : ownedName_; }
    // The attached object (a record, a number), or null.
    const NSObjectPtr& object() const { return object_; }
    template <class T>
    std::shared_ptr<T> objectAs() const {
        T* as = objectCast<T>(object_.get());
        return as ? std::shared_ptr<T>(object_, as) : nullptr;
    }
    // Identity of a posting widget or controller, for observers that compare it with their outlet.
    const void* sender() const { return sender_; }

private:
    friend class NSNotificationCenter;
    // Posting by name delivers a notification that only looks at the caller's name for the
    // length of the post, instead of copying it for every record a scan announces.
    struct BorrowName {};
    NSNotification(BorrowName, const std::string& name, NSObjectPtr object, const void* sender)
        : borrowedName_(&name), object_(std::move(object)), sender_(sender) {}

    std::string ownedName_;
    const std::string* borrowedName_ = nullptr;
    NSObjectPtr object_;
    const void* sender_;
};

// Aligned to a cache line, so that two centres posted on by two threads (a reader's and the one
// its records are handed to) never share one for their locks.
class alignas(64) NSNotificationCenter {
public:
    using Handler = std::function<void(const NSNotification&)>;

    static NSNotificationCenter& defaultCenter();

    // Registers handler for name on behalf of observer (an identity used for removal).
    void addObserver(const void* observer, const std::string& name, Handler handler);
    void removeObserver(const void* observer);
    void removeObserver(const void* observer, const std::string& name);

    void postNotificationName(const std::string& name, NSObjectPtr object = nullptr, const void* sender = nullptr);
    void postNotificationName(const std::string& name, const void* sender);
    void postNotification(const NSNotification& notification);

    size_t observerCount(const std::string& name) const;

private:
    struct Entry;
    // The hash of the entry's name beside it, so that a post looks for its observers along one
    // array instead of comparing the name of every entry (a scan posts millions of records).
    struct Slot {
        size_t nameHash;
        std::shared_ptr<Entry> entry;
    };
    mutable std::mutex mutex_;
    std::vector<Slot> entries_;
};
