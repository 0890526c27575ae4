#pragma once

#include "core/Errors.h"

// An error of the server or of the connection: the server's own text and error number.
class DbError : public SonoriaError {
public:
    using SonoriaError::SonoriaError;
    bool connectionLost() const;
};
