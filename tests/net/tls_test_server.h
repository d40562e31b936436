// A TLS echo server for the tests, with a CA and a server certificate made
// at test time by the openssl command: the certificate names "localhost"
// only, so a client that checks names accepts it for that name alone.
#pragma once

#include "tests/fakes/temp_dir.h"
#include "tests/net/loopback_servers.h"

#include <cstdlib>
#include <memory>
#include <openssl/ssl.h>
#include <string>

namespace palavrino::testing {

class TlsTestServer {
public:
    TlsTestServer()
    {
        const std::string d = m_dir.Path().string();
        const std::string cmd = "cd '" + d
            + "' && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key"
              " -out ca.pem -days 2 -subj '/CN=Palavrino Teste CA' >/dev/null 2>&1"
              " && openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout srv.key -out "
              "srv.csr"
              " -subj '/CN=localhost' >/dev/null 2>&1"
              " && printf 'subjectAltName=DNS:localhost\\n' > ext.cnf"
              " && openssl x509 -req -in srv.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out srv.pem -days "
              "2"
              " -extfile ext.cnf >/dev/null 2>&1";
        if (std::system(cmd.c_str()) != 0)
            return;
        m_ctx = SSL_CTX_new(TLS_server_method());
        if (!m_ctx || SSL_CTX_use_certificate_file(m_ctx, (d + "/srv.pem").c_str(), SSL_FILETYPE_PEM) != 1
            || SSL_CTX_use_PrivateKey_file(m_ctx, (d + "/srv.key").c_str(), SSL_FILETYPE_PEM) != 1)
            return;
        m_server = std::make_unique<LoopbackServer>("127.0.0.1", [this](int fd) { Serve(fd); });
        m_ready = m_server->port() != 0;
    }
    ~TlsTestServer()
    {
        m_server.reset();
        if (m_ctx)
            SSL_CTX_free(m_ctx);
    }

    bool ready() const { return m_ready; }
    std::string PortText() const { return m_server->PortText(); }
    std::string CaFile() const { return (m_dir.Path() / "ca.pem").string(); }

private:
    void Serve(int fd)
    {
        SSL* ssl = SSL_new(m_ctx);
        SSL_set_fd(ssl, fd);
        if (SSL_accept(ssl) == 1) {
            std::string line;
            char c = 0;
            while (SSL_read(ssl, &c, 1) == 1) {
                if (c != '\n') {
                    line += c;
                    continue;
                }
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                std::string reply = "seguro: " + line + "\r\n";
                SSL_write(ssl, reply.data(), static_cast<int>(reply.size()));
                line.clear();
            }
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
    }

    fakes::TempDir m_dir;
    SSL_CTX* m_ctx { nullptr };
    std::unique_ptr<LoopbackServer> m_server;
    bool m_ready { false };
};

} // namespace palavrino::testing
