#include "cqt_support.h"

CQTSupport::CQTSupport() : m_iErrorCode(0) {}

CQTSupport::~CQTSupport() = default;

int CQTSupport::prepare()
{
    return 0;
}

void CQTSupport::finish() {}
