#include "sandbox.h"

#include "routes.h"

#include <exception>

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
    return m_store.load(m_options.dataFile, error);
}

bool Sandbox::loadJson(const QByteArray &json, QString &error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_store.loadJson(json, error);
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

ApiReply Sandbox::handle(ApiRequest request)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    try {
        request.userId = sessionUser(m_store, request);
        if (needsSession(request) && request.userId.isEmpty())
            return ApiReply::error(401, 40100,
                                   QStringLiteral("sign in first: no valid bearer token"));
        return m_routes.dispatch(request);
    } catch (const std::exception &e) {
        return ApiReply::error(500, 50000, QString::fromUtf8(e.what()));
    }
}
