#include "sandbox.h"

#include "routes.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSaveFile>

#include <cstdio>
#include <exception>

namespace {

// Marks a state file and the version of its layout.
const QString kStateMarker = QStringLiteral("vhpdSandboxState");
constexpr int kStateVersion = 1;

ApiReply signInFirst()
{
    return ApiReply::error(401, 40100, QStringLiteral("sign in first: no valid bearer token"));
}

} // namespace

Sandbox::Sandbox(const SandboxOptions &options)
    : m_options(options)
{
    addAccountRoutes(m_routes, m_store);
    addProjectRoutes(m_routes, m_store);
    addOrganisationRoutes(m_routes, m_store);
    addModelRoutes(m_routes, m_store);
    addUploadRoutes(m_routes, m_store);
    addEntityRoutes(m_routes, m_store);
    addPropertyRoutes(m_routes, m_store);
    addPrintRoutes(m_routes, m_store);
    addBaseRoutes(m_routes, m_store);
    addWorksheetRoutes(m_routes, m_store);
    addUpdateRoutes(m_routes, m_store, m_options.redirectTouchRoot);
}

bool Sandbox::load(QString &error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QString &state = m_options.stateFile;
    const QFileInfo stateInfo(state);
    if (!state.isEmpty() && !m_options.resetState &&
        (stateInfo.exists() || stateInfo.isSymLink())) {
        if (!readState(error))
            return false;
        m_loadedFrom = state;
    } else {
        if (!m_store.load(m_options.dataFile, error))
            return false;
        m_loadedFrom = m_options.dataFile;
        if (!state.isEmpty() && !writeState(error))
            return false;
    }
    m_savedRevision = m_store.revision();
    return true;
}

bool Sandbox::loadJson(const QByteArray &json, QString &error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_store.loadJson(json, error))
        return false;
    m_savedRevision = m_store.revision();
    return true;
}

QString Sandbox::password(const QString &name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QString userId = m_store.selectBy(QStringLiteral("users"), QStringLiteral("name"), name)
                               .value(0)
                               .value(QLatin1String("_id"))
                               .toString();
    if (userId.isEmpty())
        return QString();
    return m_store.selectBy(QStringLiteral("credentials"), QStringLiteral("userId"), userId)
        .value(0)
        .value(QLatin1String("password"))
        .toString();
}

// A state file that cannot be read as one is an error, never a reason to
// start from the seed data: that would silently lose the changes it holds.
bool Sandbox::readState(QString &error)
{
    const QString &path = m_options.stateFile;
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("cannot read the state file %1: %2")
                    .arg(path, QFileInfo(path).isDir() ? QStringLiteral("it is a directory")
                                                       : file.errorString());
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("the state file %1 is damaged: not JSON (%2 at offset %3)")
                    .arg(path, parseError.errorString())
                    .arg(parseError.offset);
        return false;
    }
    const QJsonObject state = document.object();
    if (state.value(kStateMarker).toInt() != kStateVersion) {
        error = QStringLiteral("%1 is not a state file of this sandbox").arg(path);
        return false;
    }
    QString detail;
    if (!m_store.restore(state, detail)) {
        error = QStringLiteral("the state file %1 is damaged: %2").arg(path, detail);
        return false;
    }
    return true;
}

// Written whole to a temporary file beside the state file, which then takes
// its place: a crash or a full disk leaves the previous state as it was.
bool Sandbox::writeState(QString &error)
{
    QJsonObject state = m_store.snapshot();
    state.insert(kStateMarker, kStateVersion);
    QSaveFile file(m_options.stateFile);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(state).toJson(QJsonDocument::Compact)) < 0 || !file.commit()) {
        error = QStringLiteral("cannot write the state file %1: %2")
                    .arg(m_options.stateFile, file.errorString());
        return false;
    }
    m_savedRevision = m_store.revision();
    return true;
}

// Signing in, asking for a verification code, the public system profile, the
// keep-alive probe and the update server are open to everyone.
bool Sandbox::needsSession(const ApiRequest &request) const
{
    if (request.service == QLatin1String("updates") || request.service.isEmpty())
        return false;
    if (request.service != QLatin1String(Services::Account))
        return true;
    return !(request.path == QLatin1String("login") || request.path == QLatin1String("logout") ||
             request.path == QLatin1String("securities") ||
             request.path.startsWith(QLatin1String("system/profile/")));
}

bool Sandbox::admits(const ApiRequest &request, ApiReply &refusal)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!needsSession(request) || !sessionUser(m_store, request).isEmpty())
        return true;
    refusal = signInFirst();
    return false;
}

ApiReply Sandbox::handle(ApiRequest request)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const ApiReply reply = dispatch(std::move(request));
    QString error;
    if (!m_options.stateFile.isEmpty() && m_store.revision() != m_savedRevision &&
        !writeState(error))
        std::fprintf(stderr, "vhpd-sandbox: %s; the change is kept in memory only\n",
                     qUtf8Printable(error));
    return reply;
}

ApiReply Sandbox::dispatch(ApiRequest request)
{
    try {
        request.userId = sessionUser(m_store, request);
        if (needsSession(request) && request.userId.isEmpty())
            return signInFirst();
        return m_routes.dispatch(request);
    } catch (const std::exception &e) {
        return ApiReply::error(500, 50000, QString::fromUtf8(e.what()));
    }
}
