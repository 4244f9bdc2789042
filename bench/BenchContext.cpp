#include "BenchContext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

#include "DataFiles.h"
#include "RankFile.h"

namespace bench {
namespace {

Context* g_context = nullptr;
bool g_quick = false;

QString dataFolder() {
    const QString env = qEnvironmentVariable("ZANRAI_DATA_DIR");
    return env.isEmpty() ? QStringLiteral(ZANRAI_BENCH_DATA_DIR) : env;
}

std::string native(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

std::string Context::cutSound() const { return native(form->cutSoundPath); }
std::string Context::deflectSound() const { return native(form->deflectSoundPath); }
std::string Context::music() const { return native(form->bgmPath); }

void Context::haltEffect() {
    // An empty name stops the effect channel; the flags do not matter then.
    sound->playSound({}, 0);
}

QString setUp(bool quick) {
    g_quick = quick;
    auto ctx = std::make_unique<Context>();
    if (!ctx->work.isValid()) return QStringLiteral("cannot create a temporary folder");
    ctx->dataDir = dataFolder();
    for (const char* name : data_files::all) {
        if (!QFileInfo::exists(QDir(ctx->dataDir).filePath(QString::fromLatin1(name))))
            return QStringLiteral("%1 missing in %2 (set ZANRAI_DATA_DIR)")
                .arg(QString::fromLatin1(name), ctx->dataDir);
    }

    ctx->sound = std::make_unique<mm::SystemMultimedia>();
    ctx->soundfontLoaded = ctx->probes().waitForSoundfont();
    ctx->module = std::make_unique<Multimedia32>(*ctx->sound);

    QFile rank(ctx->work.filePath(QString::fromLatin1(rankfile::fileName)));
    if (!rank.open(QIODevice::WriteOnly) || rank.write("0\r\n") != 3)
        return QStringLiteral("cannot write rank.dat");
    rank.close();

    FormServices services;
    services.multimedia = ctx->sound.get();
    services.programFolder = ctx->dataDir;
    services.rankFolder = ctx->work.path();
    services.messageBox = [](const QString&, const QString&) {};
    services.fileError = [](const QString& text) {
        std::fprintf(stderr, "zanrai_bench: file error: %s\n", qPrintable(text));
    };
    services.beep = [] {};
    services.endProgram = [](int) {};
    ctx->form = std::make_unique<Form1>(std::move(services));
    if (!ctx->form->Form_Load()) return QStringLiteral("Form_Load failed");
    ctx->form->adjustSize();
    // Shown, so that moving a target invalidates and repaints as in play.
    ctx->form->show();

    for (const std::string& effect : {ctx->cutSound(), ctx->deflectSound()})
        ctx->probes().preloadSound(effect);

    g_context = ctx.release();
    return {};
}

Context& context() { return *g_context; }

void homeTargets(Form1& f) {
    for (kit::ImageControl* t : f.targets) t->setTop(homeTop);
}

Form1& startedGame() {
    Form1& f = *context().form;
    f.mnuRst_Click();
    f.mnustart_Click();
    for (kit::WindowTimer* t : {f.Timer1, f.Timer2, f.Timer3}) t->setEnabled(false);
    homeTargets(f);
    QCoreApplication::processEvents();
    return f;
}

void stoppedGame() {
    context().form->mnuRst_Click();
    QCoreApplication::processEvents();
}

bool quickRun() { return g_quick; }

void tearDown() {
    if (g_context == nullptr) return;
    // The window and the module hold the service by reference: they go first.
    g_context->form.reset();
    g_context->module.reset();
    g_context->sound.reset();
    delete g_context;
    g_context = nullptr;
}

}  // namespace bench
