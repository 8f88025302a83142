// Both HTTP clients against nginx over TLS with certificates this test
// makes: one from a CA named by VANTREL_CA_FILE for 127.0.0.1, a self-signed
// one, and one from the same CA for another host. Only the first is
// trusted, by the package download (even with the main window's
// IgnoreSecurityProblem option) and by the query alike.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/InternetState.h"
#include "platform/RegistryStore.h"
#include "protocol/HttpGet.h"
#include "tests/frontend/qt/download/DownloadHarness.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TempDir.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;
using namespace platform;

constexpr const char* kMakeCertificates = R"(set -e
cd "$1"
ec="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
openssl req -x509 $ec -keyout ca.key -out ca.crt -days 2 -subj "/CN=Vantrel Test CA"
for name in good:IP:127.0.0.1 wrong:DNS:wrong.example; do
  n=${name%%:*}
  printf 'subjectAltName=%s\n' "${name#*:}" > $n.ext
  openssl req $ec -keyout $n.key -out $n.csr -subj "/CN=$n"
  openssl x509 -req -in $n.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out $n.crt \
    -days 2 -extfile $n.ext
done
openssl req -x509 $ec -keyout self.key -out self.crt -days 2 -subj "/CN=127.0.0.1" \
  -addext subjectAltName=IP:127.0.0.1
)";

// nginx with one https server per certificate, started as a daemon that
// has bound its ports by the time it returns, stopped at the end.
class TlsServers {
public:
    explicit TlsServers(const std::vector<std::string>& names) {
        WriteFile(FDir / "make-certificates", std::string(kMakeCertificates));
        const std::string quiet = " >" + (FDir / "openssl.out").string() + " 2>&1";
        if (std::system(("bash " + (FDir / "make-certificates").string() + " " +
                         FDir.path().string() + quiet)
                            .c_str()) != 0)
            throw std::runtime_error("openssl could not make the test certificates");
        fs::create_directories(FDir / "www");
        WriteFile(FDir / "www" / "setup.exe", Payload(100000));
        // A plain server too, that each https one redirects /to-http.exe to.
        FPlainPort = UnusedLoopbackPort();
        std::string servers = "server { listen 127.0.0.1:" + std::to_string(FPlainPort) +
                              "; root " + (FDir / "www").string() + "; }\n";
        for (const std::string& name : names) {
            FPorts.push_back(UnusedLoopbackPort());
            servers += "server { listen 127.0.0.1:" + std::to_string(FPorts.back()) +
                       " ssl; ssl_certificate " + (FDir / (name + ".crt")).string() +
                       "; ssl_certificate_key " + (FDir / (name + ".key")).string() + "; root " +
                       (FDir / "www").string() +
                       "; location = /to-http.exe { return 302 http://127.0.0.1:" +
                       std::to_string(FPlainPort) + "/setup.exe; } }\n";
        }
        const std::string dir = FDir.path().string();
        WriteFile(FDir / "nginx.conf",
                  // Root's workers would otherwise run as nobody, who cannot read here.
                  std::string(geteuid() == 0 ? "user root root;\n" : "") + "daemon on; pid " + dir +
                      "/nginx.pid; error_log " + dir +
                      "/error.log;\nevents {}\nhttp { access_log off; client_body_temp_path " +
                      dir + "/body; proxy_temp_path " + dir + "/proxy; fastcgi_temp_path " + dir +
                      "/fastcgi; uwsgi_temp_path " + dir + "/uwsgi; scgi_temp_path " + dir +
                      "/scgi;\n" + servers + "}\n");
        if (std::system(
                ("nginx -e " + dir + "/error.log -p " + dir + " -c " + dir + "/nginx.conf" + quiet)
                    .c_str()) != 0)
            throw std::runtime_error("nginx did not start");
    }
    ~TlsServers() {
        const std::string dir = FDir.path().string();
        std::system(("nginx -e " + dir + "/error.log -p " + dir + " -c " + dir +
                     "/nginx.conf -s stop >/dev/null 2>&1")
                        .c_str());
    }
    std::string URL(std::size_t index, const std::string& file = "setup.exe") const {
        return "https://127.0.0.1:" + std::to_string(FPorts.at(index)) + "/" + file;
    }
    fs::path CaFile() const { return FDir / "ca.crt"; }

private:
    TempDir FDir;
    std::vector<int> FPorts;
    int FPlainPort = 0;
};

TEST(Tls, OnlyTheTrustedCertificateForThisHostPasses) {
    TlsServers servers({"good", "self", "wrong"});
    setenv("VANTREL_CA_FILE", servers.CaFile().c_str(), 1);
    SetInternetConnectedOverride(true);
    struct TRow {
        const char* Name;
        std::size_t Server;
        bool Trusted;
    };
    for (const TRow& row :
         {TRow{"certificate from the named CA", 0, true}, TRow{"self-signed certificate", 1, false},
          TRow{"certificate for another host", 2, false}}) {
        SCOPED_TRACE(row.Name);
        TempDir dir;
        const std::string file = (dir / "setup.exe.tmp").string();
        TDownloadRun run;  // the main window's options, IgnoreSecurityProblem included
        ASSERT_TRUE(run.Run(servers.URL(row.Server), file));
        ASSERT_EQ(run.Completions.size(), 1u);
        if (row.Trusted) {
            EXPECT_EQ(run.Completions[0].Result, S_OK);
            EXPECT_EQ(fs::file_size(file), 100000u);
        } else {
            // The window pauses on this result, as for a refused connection.
            EXPECT_EQ(run.Completions[0].Result, INET_E_SECURITY_PROBLEM);
            EXPECT_FALSE(fs::exists(file));
        }
        // The query reports no answer at all: its connection-error path.
        std::vector<std::uint8_t> body;
        EXPECT_EQ(HttpGet(servers.URL(row.Server), body), row.Trusted);
        EXPECT_EQ(body.size(), row.Trusted ? 100000u : 0u);
    }
    // A trusted server cannot send the package on in the clear, where anyone
    // on the way could answer instead.
    TempDir dir;
    const std::string file = (dir / "setup.exe.tmp").string();
    TDownloadRun redirected;
    ASSERT_TRUE(redirected.Run(servers.URL(0, "to-http.exe"), file));
    ASSERT_EQ(redirected.Completions.size(), 1u);
    EXPECT_NE(redirected.Completions[0].Result, S_OK);
    EXPECT_FALSE(fs::exists(file));
    unsetenv("VANTREL_CA_FILE");
    SetInternetConnectedOverride(std::nullopt);
}

}  // namespace
}  // namespace vantrel::test
