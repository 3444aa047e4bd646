#include "image/CxCreateOnWriteFile.h"

bool CxCreateOnWriteFile::Created() {
    if (m_state == State::NotCreated)
        m_state = m_file.Open(m_name.c_str(), "wb") ? State::Open : State::Failed;
    return m_state == State::Open;
}

bool CxCreateOnWriteFile::Close() {
    if (!Created()) return false;
    const bool written = m_file.Error() == 0;
    m_state = State::Closed;
    return m_file.Close() && written;
}

std::size_t CxCreateOnWriteFile::Read(void* buffer, std::size_t size, std::size_t count) {
    return m_state == State::Open ? m_file.Read(buffer, size, count) : 0;
}

std::size_t CxCreateOnWriteFile::Write(const void* buffer, std::size_t size, std::size_t count) {
    return Created() ? m_file.Write(buffer, size, count) : 0;
}

bool CxCreateOnWriteFile::Seek(long offset, int origin) {
    return Created() && m_file.Seek(offset, origin);
}

long CxCreateOnWriteFile::Tell() {
    return m_state == State::Open ? m_file.Tell() : 0;
}

long CxCreateOnWriteFile::Size() {
    return m_state == State::Open ? m_file.Size() : 0;
}

bool CxCreateOnWriteFile::Flush() {
    return m_state != State::Open || m_file.Flush();
}

bool CxCreateOnWriteFile::Eof() {
    return m_state != State::Open || m_file.Eof();
}

long CxCreateOnWriteFile::Error() {
    if (m_state == State::Failed) return 1;
    return m_state == State::Open ? m_file.Error() : 0;
}

long CxCreateOnWriteFile::GetC() {
    return m_state == State::Open ? m_file.GetC() : -1;
}
