// Dumps the text a browser shows for each page of a folder: document.body.innerText
// after loading the file with the page's own scripts off and no network, into
// OUT_DIR/<file name>.txt (UTF-8). Pages already dumped are skipped, so the
// cache survives repeated scoring runs.
// Usage: tamsenor-readable-browser CORPUS_DIR OUT_DIR
// Run with QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 when headless or root.
#include <QDir>
#include <QFile>
#include <QApplication>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include <cstdio>

namespace {

// The window a desktop browser shows a page in; the readable text reads
// media queries for the same width.
constexpr int kViewWidth = 1280;
constexpr int kViewHeight = 800;

// Only the page itself and the style sheets it links from the corpus folder
// are read, as the readable text reads them: no images, frames or scripts,
// nothing from the network.
class OnlyThePage : public QWebEngineUrlRequestInterceptor {
public:
    QUrl page;
    QString folder; // the corpus, with a trailing slash
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        const QUrl url = info.requestUrl().adjusted(QUrl::RemoveFragment | QUrl::RemoveQuery);
        const bool localSheet = info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeStylesheet
            && url.isLocalFile() && QDir::cleanPath(url.toLocalFile()).startsWith(folder);
        if (url != page && !localSheet)
            info.block(true);
    }
};

class Dumper : public QObject {
public:
    Dumper(QStringList names, QString corpus, QString out)
        : names_(std::move(names))
        , corpus_(std::move(corpus))
        , out_(std::move(out))
    {
        profile_.setHttpCacheType(QWebEngineProfile::NoCache);
        interceptor_.folder = corpus_ + QLatin1Char('/');
        profile_.setUrlRequestInterceptor(&interceptor_);
        makePage();
        // A page that never finishes loading is dumped as it stands; one whose
        // text never comes back is given up and the page made anew.
        watchdog_.setSingleShot(true);
        connect(&watchdog_, &QTimer::timeout, this, [this] {
            if (waiting_) {
                loaded(false);
            } else {
                std::fprintf(stderr, "%s: no text from the browser\n", qPrintable(names_[index_]));
                ++failed_;
                ++index_;
                view_.setPage(nullptr);
                delete page_;
                makePage();
                next();
            }
        });
    }

    // The page goes before the profile it was made in.
    ~Dumper() override
    {
        view_.setPage(nullptr);
        delete page_;
    }

    void next()
    {
        while (index_ < names_.size() && QFile::exists(target(names_[index_])))
            ++index_;
        if (index_ >= names_.size()) {
            std::printf("browser texts: %lld pages dumped, %lld failed\n", static_cast<long long>(dumped_),
                static_cast<long long>(failed_));
            QApplication::exit(failed_ ? 1 : 0);
            return;
        }
        const QUrl url = QUrl::fromLocalFile(corpus_ + QLatin1Char('/') + names_[index_]);
        interceptor_.page = url;
        waiting_ = true;
        watchdog_.start(60000);
        page_->load(url);
    }

private:
    void makePage()
    {
        ++generation_;
        page_ = new QWebEnginePage(&profile_, this);
        QWebEngineSettings* settings = page_->settings();
        // The page's own scripts stay off; runJavaScript in the application world still works.
        settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        settings->setAttribute(QWebEngineSettings::AutoLoadImages, false);
        settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        connect(page_, &QWebEnginePage::loadFinished, this, &Dumper::loaded);
        // Laid out in a desktop window, so that the page's media queries
        // apply as on a desktop (a page without a view has no width).
        view_.setPage(page_);
        view_.resize(kViewWidth, kViewHeight);
        view_.show();
    }

    QString target(const QString& name) const { return out_ + QLatin1Char('/') + name + QStringLiteral(".txt"); }

    void loaded(bool)
    {
        if (!waiting_)
            return;
        waiting_ = false;
        watchdog_.start(20000);
        page_->runJavaScript(QStringLiteral("document.body ? document.body.innerText : ''"),
            QWebEngineScript::ApplicationWorld, [this, generation = generation_](const QVariant& value) {
                if (generation != generation_)
                    return;
                watchdog_.stop();
                const QString name = names_[index_];
                QFile file(target(name));
                if (!value.canConvert<QString>() || !file.open(QIODevice::WriteOnly)
                    || file.write(value.toString().toUtf8()) < 0 || !file.flush()) {
                    std::fprintf(stderr, "%s: not dumped\n", qPrintable(name));
                    file.remove();
                    ++failed_;
                } else {
                    ++dumped_;
                }
                ++index_;
                // Leave the callback before the next load starts.
                QTimer::singleShot(0, this, &Dumper::next);
            });
    }

    QStringList names_;
    QString corpus_;
    QString out_;
    QWebEngineProfile profile_;
    OnlyThePage interceptor_;
    QWebEnginePage* page_ = nullptr;
    QWebEngineView view_;
    QTimer watchdog_;
    qsizetype index_ = 0;
    qsizetype dumped_ = 0;
    qsizetype failed_ = 0;
    int generation_ = 0;
    bool waiting_ = false;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QString corpus = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "%s: cannot create\n", qPrintable(out));
        return 1;
    }
    Dumper dumper(QDir(corpus).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name), corpus, out);
    QTimer::singleShot(0, &dumper, &Dumper::next);
    return app.exec();
}
