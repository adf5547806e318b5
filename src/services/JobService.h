#pragma once
// JobService: the persistent, thermally throttled job queue (implementation in progress).
