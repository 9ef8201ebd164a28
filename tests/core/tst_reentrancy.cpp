#include "facadeprobe.h"
#include "facadetest.h"
#include "testserver.h"

#include "VHPlatform.h"
#include "VHPrimaryData.h"

#include <QTimer>
#include <QtTest>

// The client's own slots may call the facade while an earlier request waits
// in its local event loop.
class TestReentrancy : public FacadeTest
{
    Q_OBJECT
private slots:
    void callsDuringAWaitKeepTheOuterResultAndConsistentCaches()
    {
        ScriptedReply outer = ScriptedReply::json(QJsonObject{{"_id", "u"}, {"name", "outer"}});
        outer.delayMs = 400;
        m_server.on("GET", apiPath("account-service/users/u"), outer);
        // The inner member load is still waiting when the outer reply arrives.
        ScriptedReply members = ScriptedReply::json(
            QJsonArray{QJsonObject{{"userId", "u"}, {"user", QJsonObject{{"name", "listed"}}}},
                       QJsonObject{{"userId", "v"}}});
        members.delayMs = 700;
        m_server.on("GET", apiPath("account-service/projects/p1/members"), members);
        m_server.on("GET", apiPath("account-service/projects"),
                    ScriptedReply::json(QJsonArray{QJsonObject{{"_id", "a"}}}));
        m_server.on("GET", apiPath("account-service/projects/p2"),
                    ScriptedReply::json(QJsonObject{{"_id", "p2"}}));
        m_server.on("DELETE", apiPath("model-service/models/m"),
                    ScriptedReply::json(QJsonObject()));

        VHPrimaryDataPrivate &state = facadeState();
        state.m_projectMembers = {VHUser()};
        state.m_projectMembers[0].id = "u";
        state.m_projectMembers[0].name = "seeded";
        state.m_models.insert("m", VHModel());
        VHPrimaryData *facade = VHPrimaryData::instance();
        QList<VHProject> innerProjects;
        bool innerRan = false;
        QTimer::singleShot(100, [&] {
            facade->clear();
            QVERIFY(facade->getProjects(innerProjects));
            facade->initProjectMembers();
            QVERIFY(facade->deleteModel("m"));
            VHProject project;
            QVERIFY(facade->getProjectById("p2", project));
            innerRan = true;
        });

        VHUser user;
        QVERIFY(facade->getUser("u", user, true));
        QVERIFY(innerRan);
        QCOMPARE(user.id, QString("u"));
        QCOMPARE(user.name, QString("outer"));
        QCOMPARE(innerProjects.size(), 1);

        // Outer first: the seeded member is refreshed, then cleared and reloaded.
        // Inner first: the reloaded list's member is refreshed by the outer reply.
        const QStringList outerFirst{"u/listed", "v/"};
        const QStringList innerFirst{"u/outer", "v/"};
        QStringList members_;
        for (const VHUser &member : state.m_projectMembers)
            members_ << member.id + '/' + member.name;
        QVERIFY2(members_ == outerFirst || members_ == innerFirst, qPrintable(members_.join(',')));
        QVERIFY(state.m_models.isEmpty());
        QVERIFY(state.m_projects.contains("p2"));
        QCOMPARE(m_server.requestCount(), 5);
    }
};

QTEST_GUILESS_MAIN(TestReentrancy)
#include "tst_reentrancy.moc"
