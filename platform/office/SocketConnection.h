#pragma once

#include <com/sun/star/connection/XConnection.hpp>
#include <cppuhelper/implbase1.hxx>

#include <atomic>
#include <string>

namespace zarta {

// A UNO connection over a connected stream socket: the bridge to an office runs over the very
// socket whose peer OfficePipe has checked, so nothing can come between the check and the use.
//
// Takes ownership of the descriptor and closes it when destroyed. The bridge reads on its reader
// thread and writes on its writer thread; close() may come from any thread and wakes a blocked
// read (the socket is shut down, the descriptor stays valid until destruction).
class SocketConnection : public cppu::WeakImplHelper1<css::connection::XConnection> {
public:
    SocketConnection(int descriptor, std::string description);
    ~SocketConnection() override;

    // Reads exactly count bytes, fewer only at the end of the stream. Throws
    // css::io::IOException on an error or after close().
    sal_Int32 SAL_CALL read(css::uno::Sequence<sal_Int8>& bytes, sal_Int32 count) override;
    void SAL_CALL write(const css::uno::Sequence<sal_Int8>& bytes) override;
    void SAL_CALL flush() override {}
    void SAL_CALL close() override;
    rtl::OUString SAL_CALL getDescription() override;

private:
    const int descriptor_;
    const std::string description_;
    std::atomic<bool> closed_{false};
};

} // namespace zarta
