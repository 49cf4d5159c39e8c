#pragma once
// The base of every framework class whose constructor can fail without throwing.

// The constructor leaves a non-zero m_iErrorCode behind, and whoever created the object (the
// singleton machinery) looks.
class CQTSupport
{
public:
    CQTSupport();
    virtual ~CQTSupport();

    virtual int prepare();
    virtual void finish();

    int m_iErrorCode;
};
