#pragma once

// HTTP transfers for the updater.
