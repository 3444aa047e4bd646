#include "image/CxCreateOnWriteFile.h"

bool CxCreateOnWriteFile::Created() {
    if (m_state == State::NotCreated)
        m_state = Open(m_name.c_str(), "wb") ? State::Open : State::Failed;
    return m_state == State::Open;
}

bool CxCreateOnWriteFile::Close() {
    if (!Created()) return false;
    const bool written = CxIOFile::Error() == 0;
    m_state = State::Closed;
    return CxIOFile::Close() && written;
}

std::size_t CxCreateOnWriteFile::Write(const void* buffer, std::size_t size, std::size_t count) {
    return Created() ? CxIOFile::Write(buffer, size, count) : 0;
}

bool CxCreateOnWriteFile::PutC(unsigned char c) {
    return Created() && CxIOFile::PutC(c);
}

bool CxCreateOnWriteFile::Seek(long offset, int origin) {
    return Created() && CxIOFile::Seek(offset, origin);
}

long CxCreateOnWriteFile::Error() {
    if (m_state == State::NotCreated) return 0;
    return m_state == State::Failed ? 1 : CxIOFile::Error();
}
