// The transfer page, shown from the sidebar's transfer rows: a landing pane and one pane per
// category (photos, music, videos, apps, contacts, messages, notes), one shown at a time.
// The category lists and their scans are not built yet: every pane is empty and the loaders
// start nothing (so no busy indicator is started).
#pragma once

#include "widgets/PageHost.h"

#include <array>

class PRTansferViewController : public PageController {
public:
    explicit PRTansferViewController(QObject* parent = nullptr) : PageController("TransfView", parent) {}

    // Puts the page into host and shows it with its landing pane.
    void showView(QWidget* host);
    void showAppView() { showPane(appView); }
    void showPhotoView() { showPane(photoView); }
    void showMusicView() { showPane(musicView); }
    void showVideoView() { showPane(videoView); }
    void showContactView() { showPane(contactView); }
    void showMessageView() { showPane(messageView); }
    void showNoteView() { showPane(noteView); }
    // The category loaders, each with the device index.
    void ShowApp(int) {}
    void ShowPhoto(int) {}
    void ShowMusic(int) {}
    void showContact(int) {}
    void showMessage(int) {}
    void showNote(int) {}
    void refreshOutlineView() {}

    QWidget *tranMainView = nullptr, *photoView = nullptr, *musicView = nullptr, *videoView = nullptr,
            *appView = nullptr, *contactView = nullptr, *messageView = nullptr, *noteView = nullptr;

protected:
    void buildView(QWidget* page) override;

private:
    void showPane(QWidget* pane);
    std::array<QWidget*, 8> panes() const {
        return {tranMainView, photoView, musicView, videoView, appView, contactView, messageView, noteView};
    }
};
