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
        : name_(std::move(name)), object_(std::move(object)), sender_(sender) {}

    const std::string& name() const { return name_; }
    // The attached object (a record, a number), or null.
    const NSObjectPtr& object() const { return object_; }
    template <class T>
    std::shared_ptr<T> objectAs() const { return std::dynamic_pointer_cast<T>(object_); }
    // Identity of a posting widget or controller, for observers that compare it with their outlet.
    const void* sender() const { return sender_; }

private:
    std::string name_;
    NSObjectPtr object_;
    const void* sender_;
};

class NSNotificationCenter {
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
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Entry>> entries_;
};
