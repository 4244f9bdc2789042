#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "Form1.h"
#include "FormSurface.h"
#include "RecordingMultimedia.h"

// The main window in-process: a recording sound service, a message box that
// answers at once, and a temporary working directory for rank.dat.
class GameFixture : public ::testing::Test {
protected:
    static constexpr char programFolder[] = "/opt/zanrai";

    QTemporaryDir work;
    mm::RecordingMultimedia sound;
    QStringList messages;    // "title|text" of every message box
    QStringList fileErrors;  // every file error reported
    int beeps = 0;
    std::optional<int> endStatus;
    std::chrono::milliseconds rankLockWait = rankfile::defaultLockWait;
    std::unique_ptr<Form1> form;

    QString rankPath() const { return work.filePath(QStringLiteral("rank.dat")); }

    void writeRank(const QByteArray& bytes) {
        QFile file(rankPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    // Runs the event loop until the saves of finished games are done.
    void settle() const {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form || !form->savesPending(); }, 30000));
    }

    QByteArray rankContent() const {
        settle();
        QFile file(rankPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    FormServices services(const QString& folder = QString::fromLatin1(programFolder)) {
        FormServices s;
        s.multimedia = &sound;
        s.programFolder = folder;
        s.rankFolder = work.path();
        s.messageBox = [this](const QString& text, const QString& title) {
            messages << title + QLatin1Char('|') + text;
        };
        s.fileError = [this](const QString& text) { fileErrors << text; };
        s.beep = [this] { ++beeps; };
        s.endProgram = [this](int status) { endStatus = status; };
        s.rankLockWait = rankLockWait;
        return s;
    }

    // Creates and loads the main window with rank.dat holding rank, and shows
    // it so that clicks travel through the real widgets.
    Form1& load(const QByteArray& rank = "0\r\n") {
        writeRank(rank);
        form = std::make_unique<Form1>(services());
        EXPECT_TRUE(form->Form_Load());
        form->show();
        sound.addFile(form->bgmPath.toStdString());
        sound.addFile(form->bgm2Path.toStdString());
        return *form;
    }

    static void click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    // A click where the player sees the control: on the form's surface, which
    // hands it to whatever lies topmost there and takes it.
    static void click(kit::Control* control) {
        QTest::mouseClick(control->surface(), Qt::LeftButton, {}, control->geometry().center());
    }

    // Runs descent ticks until a target passes the limit and one check.
    void loseALife() {
        while (form->Image1->top() <= 2880.0F) form->Timer1_Timer();
        form->Timer3_Timer();
    }

    std::vector<std::string> commandsSince(std::size_t first) const {
        return {sound.commands.begin() + static_cast<std::ptrdiff_t>(first), sound.commands.end()};
    }
};
