// The transfer page inside the launched application with the sample device: the sidebar rows'
// sub-views, the photo grid filled from the camera roll, and its exports.
#include "AppFixture.h"
#include "SampleDevice.h"
#include "platform/SimulatedDevices.h"
#include "platform/Workspace.h"
#include "transfer/PRTansferViewController.h"
#include "widgets/FlashView.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

using devicetest::readFile;
namespace fs = std::filesystem;

namespace {

class TransferPageTest : public apptest::AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        workspace::setRecorder([this](workspace::Action action, const QString& path) {
            if (action == workspace::Action::ShowFolder) shown << path;
        });
        page = app->GetTansferViewController();
        page->view();  // its widgets exist from here on
        device = testsupport::scratchDirectory("devices") + "/sample";
        std::string error;
        ASSERT_TRUE(sampledevice::write(device, nullptr, &error)) << error;
        attachSample();
        app->window()->resize(1000, 680);
    }
    void TearDown() override {
        workspace::setRecorder({});
        AppTest::TearDown();
    }
    void attachSample() {
        deviceId = simdevice::attach(device);
        ASSERT_GT(deviceId, 0);
        ASSERT_TRUE(testsupport::waitUntil([this] { return app->getDeviceConnected(); }));
    }
    // The camera files of the sample device, as device paths in listing order.
    QStringList cameraFiles() const {
        QStringList files;
        for (const char* folder : {"100APPLE", "101APPLE"}) {
            std::vector<std::string> names;
            for (const auto& entry : fs::directory_iterator(device + "/media/DCIM/" + folder))
                names.push_back(entry.path().filename().string());
            std::sort(names.begin(), names.end());
            for (const std::string& name : names)
                files << QString("/DCIM/%1/%2").arg(folder, QString::fromStdString(name));
        }
        return files;
    }
    void loadPhotos() {
        app->ClickPhoto(nullptr);
        ASSERT_TRUE(testsupport::waitUntil([this] { return page->bPhotoLoadFinished; }, std::chrono::seconds(60)));
    }
    std::vector<QWidget*> shownSubViews() const {
        std::vector<QWidget*> out;
        for (QWidget* v : {page->tranMainView, page->photoView, page->musicView, page->videoView, page->appView,
                           page->contactView, page->messageView, page->noteView})
            if (!v->isHidden()) out.push_back(v);
        return out;
    }
    QAction* menuAction(const QString& title) {
        page->imageBrowsercellWasRightClickedAtIndex(0, QPoint(10, 10));
        QMenu* menu = page->photoContextMenu();
        for (QAction* action : menu->actions())
            if (action->text() == title) return action;
        return nullptr;
    }
    void exportWith(const QString& menuTitle, const std::string& folder) {
        responder.panelAnswer = {QString::fromStdString(folder)};
        const int before = page->photoExportsFinished();
        QAction* action = menuAction(menuTitle);
        ASSERT_TRUE(action);
        action->trigger();
        ASSERT_TRUE(testsupport::waitUntil([&] { return page->photoExportsFinished() == before + 1; }));
    }

    PRTansferViewController* page = nullptr;
    std::string device;
    int deviceId = 0;
    QStringList shown;
};

}  // namespace

TEST_F(TransferPageTest, EachSidebarRowShowsItsSubViewAlone) {
    using Row = void (OstrevaneAppDelegate::*)(QObject*);
    const std::pair<Row, QWidget*> rows[] = {{&OstrevaneAppDelegate::ClickApp, page->appView},
                                             {&OstrevaneAppDelegate::ClickPhoto, page->photoView},
                                             {&OstrevaneAppDelegate::ClickMusic, page->musicView},
                                             {&OstrevaneAppDelegate::ClickVideo, page->videoView},
                                             {&OstrevaneAppDelegate::ClickContact, page->contactView},
                                             {&OstrevaneAppDelegate::CilckMessage, page->messageView},
                                             {&OstrevaneAppDelegate::ClickNote, page->noteView}};
    for (const auto& [row, view] : rows) {
        (app.get()->*row)(nullptr);
        EXPECT_EQ(shownSubViews(), std::vector<QWidget*>{view});
        EXPECT_EQ(shownPages(), std::vector<QWidget*>{app->page(OstrevaneAppDelegate::kTansferView)});
    }
    app->ClickTansfer(nullptr);
    EXPECT_EQ(shownSubViews(), std::vector<QWidget*>{page->tranMainView});
}

TEST_F(TransferPageTest, PhotosOfTheCameraRollAreCopiedOnceAndShown) {
    loadPhotos();
    EXPECT_FALSE(page->bImageStartTransfer);
    QStringList listed;
    for (const IKImageItem& item : page->imageArray) {
        listed << item.devicePath;
        EXPECT_TRUE(item.bhasCopy);
        EXPECT_EQ(readFile(item.hasCopy.toStdString()), readFile(device + "/media" + item.devicePath.toStdString()));
    }
    EXPECT_EQ(listed, cameraFiles());
    EXPECT_EQ(page->imageBroswerView->model()->rowCount(), int(page->imageArray.size()));
    EXPECT_TRUE(app->sidebar()->circlePhotoProgress->isHidden());
    EXPECT_TRUE(page->photoCountlab->text().startsWith(QString::number(listed.size()) + " item"));

    page->zoomSlider->setValue(page->zoomSlider->maximum());
    const QSize large = page->imageBroswerView->iconSize();
    page->zoomSlider->setValue(0);
    EXPECT_LT(page->imageBroswerView->iconSize().width(), large.width());
    page->zoomSlider->setValue(40);
    testsupport::saveScreenshot(app->window(), "transfer-photos");

    // Another visit copies nothing again.
    const std::string copy = page->imageArray.front().hasCopy.toStdString();
    fs::remove(copy);
    app->ClickPhoto(nullptr);
    testsupport::spinEventLoop(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(page->imageArray.size(), size_t(listed.size()));
}

TEST_F(TransferPageTest, ExportOfAllAndOfTheSelectionIsByteForByte) {
    loadPhotos();
    QAction* selected = menuAction("Export Selected to Mac...");
    ASSERT_TRUE(selected);
    EXPECT_TRUE(selected->isEnabled());
    EXPECT_EQ(page->photoContextMenu()->title(), "menu");
    EXPECT_EQ(page->photoContextMenu()->actions().size(), 2);

    const std::string all = testsupport::scratchDirectory("export") + "/Quillomatrix all";
    exportWith("Export All to Mac...", all);
    EXPECT_TRUE(page->bPhotoAllExport);
    EXPECT_FALSE(page->bPhotoSelectedExport);
    EXPECT_EQ(page->exportPath, QString::fromStdString(all));
    EXPECT_EQ(shown, QStringList{QString::fromStdString(all)});
    ASSERT_EQ(responder.panels.size(), 1u);
    EXPECT_TRUE(responder.panels[0].suggestedName.startsWith("Quillomatrix "));
    for (const IKImageItem& item : page->imageArray) {
        const std::string name = fs::path(item.devicePath.toStdString()).filename().string();
        EXPECT_EQ(readFile(all + "/" + name), readFile(device + "/media" + item.devicePath.toStdString())) << name;
    }
    EXPECT_TRUE(responder.alerts.empty());

    // The second and fourth photos selected: only they are written, and shown once.
    auto* selection = page->imageBroswerView->selectionModel();
    selection->select(page->imageBroswerView->model()->index(3, 0), QItemSelectionModel::Select);
    selection->select(page->imageBroswerView->model()->index(1, 0), QItemSelectionModel::Select);
    const std::string some = testsupport::scratchDirectory("export") + "/Quillomatrix some";
    shown.clear();
    exportWith("Export Selected to Mac...", some);
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(some)) written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    const std::string second = fs::path(page->imageArray[1].devicePath.toStdString()).filename().string();
    const std::string fourth = fs::path(page->imageArray[3].devicePath.toStdString()).filename().string();
    EXPECT_EQ(written, (std::vector<std::string>{second, fourth}));
    EXPECT_EQ(readFile(some + "/" + fourth),
              readFile(device + "/media" + page->imageArray[3].devicePath.toStdString()));
    EXPECT_EQ(shown, QStringList{QString::fromStdString(some)});

    // Exported again under the same name, with the key the menu shows (Shift+E in the grid): the
    // first export stays as it was, the second goes into a folder of its own beside it.
    app->window()->show();
    QApplication::setActiveWindow(app->window());
    page->imageBroswerView->setFocus();
    responder.panelAnswer = {QString::fromStdString(some)};
    const int before = page->photoExportsFinished();
    QTest::keyClick(page->imageBroswerView, Qt::Key_E, Qt::ShiftModifier);
    ASSERT_TRUE(testsupport::waitUntil([&] { return page->photoExportsFinished() == before + 1; }));
    EXPECT_TRUE(responder.alerts.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(some), fs::directory_iterator()), 2);
    EXPECT_EQ(readFile(some + " (2)/" + fourth), readFile(some + "/" + fourth));
    EXPECT_EQ(std::distance(fs::directory_iterator(some + " (2)"), fs::directory_iterator()), 2);
}

TEST_F(TransferPageTest, ACancelledPanelStartsNothing) {
    loadPhotos();
    page->exportPath = "/kept";
    responder.panelAnswer = {};
    menuAction("Export All to Mac...")->trigger();
    testsupport::spinEventLoop(std::chrono::milliseconds(100));
    EXPECT_EQ(page->exportPath, "/kept");
    EXPECT_EQ(page->photoExportsFinished(), 0);
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(TransferPageTest, ADeviceThatLeavesMidScanIsScannedAgainOnReturn) {
    QObject::connect(page->imageBroswerView->model(), &QAbstractItemModel::rowsInserted, page, [this] {
        if (page->imageBroswerView->model()->rowCount() == 2) simdevice::detach(deviceId);
    });
    app->ClickPhoto(nullptr);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !page->bImageStartTransfer; }, std::chrono::seconds(60)));
    EXPECT_FALSE(page->bPhotoLoadFinished);
    EXPECT_LT(page->imageArray.size(), size_t(cameraFiles().size()));
    EXPECT_TRUE(app->sidebar()->circlePhotoProgress->isHidden());

    QObject::disconnect(page->imageBroswerView->model(), &QAbstractItemModel::rowsInserted, page, nullptr);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !app->getDeviceConnected(); }));
    attachSample();
    loadPhotos();
    EXPECT_EQ(page->imageArray.size(), size_t(cameraFiles().size()));
}
