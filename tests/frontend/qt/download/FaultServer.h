// The in-process fault server with the routes the download tests need: a
// package that honours byte ranges, servers that ignore or misplace them,
// error statuses, empty and stalled answers, and a body echo.
#pragma once

#include <mutex>
#include <string>

#include "tests/frontend/qt/download/DownloadHarness.h"
#include "tests/support/LoopbackServer.h"

namespace vantrel::test {

inline constexpr std::size_t kPackageSize = 200000;
inline constexpr std::size_t kBigSize = std::size_t{8} * 1024 * 1024;

struct TEchoed {
    std::string Method;
    std::string Body;
};

// httplib slices every answer to a Range request itself; these routes play
// servers that decide on ranges their own way, so they take the parsed
// ranges away before it can.
inline void DecideRangesMyself(const httplib::Request& q) {
    const_cast<httplib::Request&>(q).ranges.clear();
}

class TFaultServer {
public:
    TFaultServer() : FPackage(Payload(kPackageSize)), FBig(Payload(kBigSize)) {
        auto& r = FServer.Routes();
        r.Get("/pkg", [this](const httplib::Request& q, httplib::Response& s) {
            ServeRanged(FPackage, q, s);
        });
        r.Get("/big",
              [this](const httplib::Request& q, httplib::Response& s) { ServeRanged(FBig, q, s); });
        r.Get("/ignore-range", [this](const httplib::Request& q, httplib::Response& s) {
            DecideRangesMyself(q);
            s.set_header("Accept-Ranges", "bytes");
            s.set_content_provider(
                FPackage.size(), "application/octet-stream",
                [this](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    sink.write(FPackage.data() + offset, length);
                    return true;
                });
        });
        r.Get("/wrong-range", [this](const httplib::Request& q, httplib::Response& s) {
            DecideRangesMyself(q);
            s.status = 206;
            s.set_header("Content-Range", "bytes 0-999/" + std::to_string(FPackage.size()));
            s.set_content_provider(
                1000, "application/octet-stream",
                [this](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    sink.write(FPackage.data() + offset, length);
                    return true;
                });
        });
        for (int status : {401, 404, 416, 500, 503}) {
            r.Get("/" + std::to_string(status),
                  [status](const httplib::Request&, httplib::Response& s) {
                      s.status = status;
                      s.set_content("<html>error page</html>", "text/html");
                  });
        }
        r.Get("/empty", [](const httplib::Request&, httplib::Response& s) {
            s.set_header("Content-Length", "0");
            s.set_content("", "application/octet-stream");
        });
        r.Get("/stall-headers", [this](const httplib::Request&, httplib::Response& s) {
            FServer.StallUntilStopped();
            s.status = 503;
        });
        r.Get("/stall-body", [this](const httplib::Request&, httplib::Response& s) {
            s.set_content_provider(
                FPackage.size(), "application/octet-stream",
                [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                    if (offset == 0) {
                        sink.write(FPackage.data(), 1000);
                        return true;
                    }
                    FServer.StallUntilStopped();
                    return false;
                });
        });
        r.Get("/drop", [this](const httplib::Request&, httplib::Response& s) {
            s.set_content_provider(
                FPackage.size(), "application/octet-stream",
                [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                    if (offset == 0) {
                        sink.write(FPackage.data(), 1000);
                        return true;
                    }
                    return false;  // the connection goes down mid-body
                });
        });
        r.Get("/old",
              [](const httplib::Request&, httplib::Response& s) { s.set_redirect("/pkg", 302); });
        r.Get("/auth", [this](const httplib::Request& q, httplib::Response& s) {
            // "user:secret"
            if (q.get_header_value("Authorization") != "Basic dXNlcjpzZWNyZXQ=") {
                s.status = 401;
                s.set_header("WWW-Authenticate", "Basic realm=\"vantrel\"");
                s.set_content("denied", "text/plain");
                return;
            }
            s.set_content(FPackage, "application/octet-stream");
        });
        auto echo = [this](const httplib::Request& q, httplib::Response& s) {
            std::lock_guard lock(FMutex);
            FEchoed = {q.method, q.body};
            s.set_content("ok", "text/plain");
        };
        r.Post("/echo", echo);
        r.Put("/echo", echo);
        r.Patch("/echo", echo);
        FServer.Start();
    }

    std::string URL(const std::string& path) const { return FServer.URL() + path; }
    const std::string& Package() const { return FPackage; }
    const std::string& Big() const { return FBig; }
    std::vector<RecordedRequest> Requests() const { return FServer.Requests(); }
    TEchoed Echoed() {
        std::lock_guard lock(FMutex);
        return FEchoed;
    }

private:
    // Answers "Range: bytes=N-" and "bytes=N-M" itself with 206, 416 past
    // the end, so that the test controls every header.
    static void ServeRanged(const std::string& data, const httplib::Request& q,
                            httplib::Response& s) {
        DecideRangesMyself(q);
        s.set_header("Accept-Ranges", "bytes");
        const std::string range = q.get_header_value("Range");
        std::size_t first = 0, last = data.size() - 1;
        if (range.rfind("bytes=", 0) == 0) {
            const std::string spec = range.substr(6);
            const auto dash = spec.find('-');
            first = std::stoul(spec.substr(0, dash));
            if (dash + 1 < spec.size()) {
                last = std::min<std::size_t>(std::stoul(spec.substr(dash + 1)), last);
            }
            if (first >= data.size()) {
                s.status = 416;
                s.set_header("Content-Range", "bytes */" + std::to_string(data.size()));
                s.set_content("range not satisfiable", "text/plain");
                return;
            }
            s.status = 206;
            s.set_header("Content-Range", "bytes " + std::to_string(first) + "-" +
                                              std::to_string(last) + "/" +
                                              std::to_string(data.size()));
        }
        const std::size_t count = last - first + 1;
        s.set_content_provider(
            count, "application/octet-stream",
            [&data, first](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                sink.write(data.data() + first + offset, length);
                return true;
            });
    }

    LoopbackServer FServer;
    std::string FPackage;
    std::string FBig;
    std::mutex FMutex;
    TEchoed FEchoed;
};

}  // namespace vantrel::test
