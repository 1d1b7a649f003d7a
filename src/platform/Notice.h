// A notification's name spelt once, as a C++ name that its posters and its observers share: a
// misspelt name does not compile, where a misspelt text would post to no one. Notice<T> also
// fixes the class of the object the notification carries, so that posting a record of another
// class does not compile either, and its observers are handed that class.
//
// Each subsystem declares the notices it posts in a header of its own (backup/BackupNotices.h,
// device/DeviceNotices.h...), as inline variables of namespace notices:
//     inline const Notice<PRContactNode> ScanContactInfo{"ScanContactInfo"};
#pragma once

#include "platform/NotificationCenter.h"

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

// A notification that carries no object, or one whose class its observers do not rely on.
class NoticeName {
public:
    explicit NoticeName(const char* name) : name_(name) {}
    NoticeName(const NoticeName&) = delete;
    NoticeName& operator=(const NoticeName&) = delete;

    // The name is kept whole: a post looks it up by reference, never copying it.
    const std::string& name() const { return name_; }
    bool is(const NSNotification& notification) const { return notification.name() == name_; }

    void post(NSNotificationCenter& center, const void* sender = nullptr) const {
        center.postNotificationName(name_, nullptr, sender);
    }
    void observe(NSNotificationCenter& center, const void* observer, NSNotificationCenter::Handler handler) const {
        center.addObserver(observer, name_, std::move(handler));
    }

private:
    std::string name_;
};

// A notification that carries a T (a record, a number).
template <class T>
class Notice : public NoticeName {
public:
    using NoticeName::NoticeName;

    void post(NSNotificationCenter& center, std::shared_ptr<T> object, const void* sender = nullptr) const {
        center.postNotificationName(name(), std::move(object), sender);
    }

    // fn(const std::shared_ptr<T>&) for every object posted (null where none, or one of another
    // class, came with the notification); an fn that asks for the whole notification (its
    // sender, say) is handed that.
    template <class Fn>
    void observe(NSNotificationCenter& center, const void* observer, Fn fn) const {
        if constexpr (std::is_invocable_v<Fn&, const NSNotification&>)
            center.addObserver(observer, name(), std::move(fn));
        else
            center.addObserver(observer, name(),
                               [fn = std::move(fn)](const NSNotification& n) mutable { fn(n.objectAs<T>()); });
    }
    // Where notification is this notice, hands its object to fn and answers true: observers of
    // several notices tell them apart with it.
    template <class Fn>
    bool take(const NSNotification& notification, Fn&& fn) const {
        if (!is(notification)) return false;
        std::forward<Fn>(fn)(notification.objectAs<T>());
        return true;
    }
};
