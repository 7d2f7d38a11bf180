// SPDX-License-Identifier: MIT
// Quarn: pretty-printing combinators over a box layout engine.
#pragma once

#include "quarn/core.hpp"
#include "quarn/engine.hpp"
#include "quarn/failure.hpp"
#include "quarn/errors.hpp"
#include "quarn/printer.hpp"
#include "quarn/result.hpp"
#include "quarn/combinators.hpp"
#include "quarn/scalars.hpp"
#include "quarn/collections.hpp"
#include "quarn/dump.hpp"
#include "quarn/value.hpp"
#include "quarn/show.hpp"
#include "quarn/attributes.hpp"
#include "quarn/style.hpp"
#include "quarn/fields.hpp"
#include "quarn/magnitudes.hpp"
#include "quarn/hexdump.hpp"
#include "quarn/text.hpp"
#include "quarn/suggest.hpp"
#include "quarn/version.hpp"
