// A button that turns into a destructive one once a scan's results are on screen ("Scan" becomes
// "Remove All") takes no press until they have been there a moment, so that the second press of
// a double-click on "Scan" never reaches it.
#pragma once

#include <QElapsedTimer>

class ResultsSettle {
public:
    static constexpr qint64 kMilliseconds = 1000;

    // The results came on screen: the destructive press waits from now.
    void resultsShown() { shown_.start(); }
    // Whether a press may act: the results have been on screen long enough (or none came).
    bool settled() const { return !shown_.isValid() || shown_.elapsed() >= kMilliseconds; }

private:
    QElapsedTimer shown_;
};
