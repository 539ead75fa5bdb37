// The wizard's credential check (TLS handshake, greeting, USER, PASS, QUIT) against the demo
// POP3S server on loopback, beside `openssl s_client` doing the same handshake and the same
// three commands against the same server in the same run. Goal: the wizard's check takes at
// most 1.2 times as long as s_client (whose time includes starting the program).

#include "app/Pop3Client.h"
#include "app/dm.h"

#include <support/TestSystem.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

const QString User = QStringLiteral("anna.muster@quenlix.example");
const QString Password = QStringLiteral("Demo-Passwort-1");

// The demo server with a fresh certificate for the hosted POP3 host, and a simulated system
// that sends that host to it and trusts the certificate.
class TBench {
public:
    TBench() {
        const QString cert = Folder.filePath(QStringLiteral("server.pem"));
        const QString key = Folder.filePath(QStringLiteral("server.key"));
        QProcess maker;
        maker.start(QStringLiteral("openssl"),
                    {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout", key,
                     "-out", cert, "-subj", "/CN=pop.quenlix.example", "-addext",
                     "subjectAltName=DNS:pop.quenlix.example"});
        if (!maker.waitForFinished(60000) || maker.exitCode() != 0) {
            throw std::runtime_error("openssl could not make the test certificate");
        }
        Server.setProgram(QStringLiteral(QUENLIX_DEMO_POP3S_SERVER));
        Server.setArguments({"0", cert, key, User, Password});
        Server.start();
        if (!Server.waitForReadyRead(10000)) {
            throw std::runtime_error("the demo POP3S server did not start");
        }
        const QByteArray banner = Server.readLine();
        Port = banner.mid(banner.lastIndexOf(':') + 1).trimmed().toInt();
        System = std::make_unique<testing_support::TTestSystem>(
            "[Network]\npop.quenlix.example:995=127.0.0.1:" + std::to_string(Port) +
            "\n[TLS]\nCAFile=" + cert.toStdString() + "\n");
        CaFile = cert.toStdString();
    }
    ~TBench() {
        System.reset();
        Server.kill();
        Server.waitForFinished();
    }

    int Port = 0;
    std::string CaFile;

private:
    QTemporaryDir Folder;
    QProcess Server;
    std::unique_ptr<testing_support::TTestSystem> System;
};

TBench& Bench() {
    static TBench bench;
    return bench;
}

void BM_WizardCheck(benchmark::State& state) {
    Bench();
    T_dm dm;
    for (auto _ : state) {
        if (!dm.CheckPop3Login(User, Password)) {
            state.SkipWithError(dm.popMain->LastErrorText().toStdString().c_str());
            break;
        }
        // The closed connection is freed by the event loop, as in the program.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_WizardCheck)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void BM_OpensslClient(benchmark::State& state) {
    const TBench& bench = Bench();
    // -quiet reads the commands from standard input and ends when the server closes after QUIT.
    const std::string command =
        "openssl s_client -quiet -crlf -connect 127.0.0.1:" + std::to_string(bench.Port) +
        " -servername pop.quenlix.example -verify_hostname pop.quenlix.example -CAfile " +
        bench.CaFile + " -verify_return_error >/dev/null 2>&1";
    const std::string commands =
        "USER " + User.toStdString() + "\nPASS " + Password.toStdString() + "\nQUIT\n";
    for (auto _ : state) {
        FILE* client = ::popen(command.c_str(), "w");
        if (client == nullptr) {
            state.SkipWithError("openssl s_client could not be started");
            break;
        }
        std::fputs(commands.c_str(), client);
        if (::pclose(client) != 0) {
            state.SkipWithError("openssl s_client failed");
            break;
        }
    }
}
BENCHMARK(BM_OpensslClient)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
