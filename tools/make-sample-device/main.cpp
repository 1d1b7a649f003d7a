// make-sample-device FOLDER: writes a sample simulated device into FOLDER (made when missing,
// refused when it holds anything). Attach it with QUILLOMATRIX_SIMULATED_DEVICES=FOLDER.
#include "SampleDevice.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    sampledevice::Summary summary;
    std::string error;
    if (!sampledevice::write(argv[1], &summary, &error)) {
        std::fprintf(stderr, "make-sample-device: %s\n", error.c_str());
        return 1;
    }
    std::printf("Sample device written to %s: %d apps (%d user apps), %llu bytes of content\n", argv[1], summary.apps,
                summary.userApps, static_cast<unsigned long long>(summary.contentBytes));
    return 0;
}
