// Calls the handlers of the music-library script. Every call is a subroutine event: the
// handler's name in lower case and a list of its parameters; the script (an executable of ours,
// "iTunesScript" beside the application) runs it and replies. A call that runs without error
// returns a reply, whatever the handler answers; a failing call shows the error alert and
// returns nothing, and the handler object stays usable.
//
// Calls may come from several threads at once; they are run one at a time, so that the
// library's playlist files are never written by two calls together.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// A value of an event: a string, a 32-bit integer, or a list of values.
class NSAppleEventDescriptor {
public:
    enum class Kind { String, Integer, List };
    static NSAppleEventDescriptor descriptorWithString(const QString& text);
    static NSAppleEventDescriptor descriptorWithInt32(int32_t value);
    static NSAppleEventDescriptor listDescriptor();

    Kind kind() const { return kind_; }
    // The text of a string or integer; empty for a list.
    QString stringValue() const;
    int32_t int32Value() const { return integer_; }
    int numberOfItems() const { return int(items_.size()); }
    // Item index counts from 1; an index past the end appends.
    void insertDescriptor(const NSAppleEventDescriptor& item, int index);
    const NSAppleEventDescriptor& descriptorAtIndex(int index) const { return items_.at(size_t(index - 1)); }
    // The string value of each item, in list order.
    QStringList listOfStringsToArray() const;

private:
    Kind kind_ = Kind::List;
    QString text_;
    int32_t integer_ = 0;
    std::vector<NSAppleEventDescriptor> items_;
};
Q_DECLARE_METATYPE(NSAppleEventDescriptor)

// The subroutine event one call sends.
struct ScriptSubroutineEvent {
    QString eventClass = QStringLiteral("ascr");
    QString eventID = QStringLiteral("psbr");
    // The target: this process (serial number high word 0, low word 2).
    uint32_t targetHigh = 0, targetLow = 2;
    int returnID = -1;
    int transactionID = 0;
    QString subroutineName;               // 'snam', lower case
    NSAppleEventDescriptor directObject;  // '----', the parameter list
};

class iTunesScriptHandler {
public:
    // scriptPath: the script to run; empty: "iTunesScript" beside the application.
    explicit iTunesScriptHandler(QString scriptPath = {});

    // Builds the parameter list (a number becomes an integer, a string a string, a descriptor is
    // used as it is) and calls the handler. Any other kind of parameter is logged and nothing
    // is sent.
    std::optional<NSAppleEventDescriptor> callHandler(const QString& handler, const QVariantList& parameters);
    // Sends the event; parameters absent means an empty list.
    std::optional<NSAppleEventDescriptor> callScript(const QString& handler,
                                                     const std::optional<NSAppleEventDescriptor>& parameters);

    std::optional<NSAppleEventDescriptor> hideWindow();
    std::optional<NSAppleEventDescriptor> addNewPlaylist(const QString& name);
    std::optional<NSAppleEventDescriptor> deletePlaylist(const QString& name);
    QStringList getAllPlaylist();
    std::optional<NSAppleEventDescriptor> addNewFile(const QString& path, const QString& playlist);
    std::optional<NSAppleEventDescriptor> quit();

    // Shows the error alert ("AttachAScript Error", one button "ok") with text. The default
    // logs it; the page installs one that shows the alert.
    std::function<void(const QString& text)> errorAlert;
    // While one lives, the failures of the calls made on its thread are kept in it instead of
    // alerted: the caller names them in the one alert of the action they belong to.
    class KeptErrors {
    public:
        KeptErrors();
        ~KeptErrors();
        KeptErrors(const KeptErrors&) = delete;
        KeptErrors& operator=(const KeptErrors&) = delete;
        QStringList texts;

    private:
        KeptErrors* outer_;
    };
    // Called with every event just before it is sent (tests look at it).
    std::function<void(const ScriptSubroutineEvent&)> eventSent;

    const QString& scriptPath() const { return script_; }
    static constexpr const char* kAlertTitle = "AttachAScript Error";

private:
    void showError(const QString& text);
    QString script_;
    std::mutex calls_;
};
