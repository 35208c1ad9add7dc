#pragma once
// A main window on a fresh temporary store folder, with dialogs answered by the test.

#include "DstTestEncoder.h"
#include "FakeDialogs.h"
#include "QtPrinters.h"
#include "app/MainWindow.h"

#include <QFile>

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tessaline::testing {

// A file's bytes, as a program file holds them.
inline std::string readFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

// Each window remembers its choices (profile, placement, port) in a config folder of its test's
// own, so no test starts from what an earlier one chose.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(config.isValid());
        oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        window = std::make_unique<MainWindow>(folder.path().toStdString(), dialogs);
        // Passes run unpaced unless a test counts the pacing itself.
        window->setEventPump([this] { ++pumped; });
    }

    // Writes the design into the test's folder and returns its full path.
    QString writeDesign(const QString& name, const test::DstTestEncoder& design) const {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(design.bytes().data()), static_cast<qint64>(design.bytes().size()));
        return path;
    }

    // Opens the file through "Open DST" with the dialog answering path.
    void open(const QString& path) {
        dialogs.fileNames.push_back(path);
        window->openDst();
    }

    template <class T>
    T* control(const char* name) const {
        T* found = window->control<T>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void TearDown() override {
        window.reset();
        qputenv("XDG_CONFIG_HOME", oldConfig);
    }

    QTemporaryDir folder;
    QTemporaryDir config;
    QByteArray oldConfig;
    FakeDialogs dialogs;
    std::unique_ptr<MainWindow> window;
    long long pumped = 0;
};

// Tests that read the remembered settings file itself.
class ConfiguredWindowTest : public WindowTest {};

}  // namespace tessaline::testing
