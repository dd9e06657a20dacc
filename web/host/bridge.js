// The module's calls to the page. Every function converts wasm values (UTF-8
// bytes, typed arrays in the module's memory) to JavaScript values and calls
// globalThis.Agarhold, which the page defines before it loads the module.
mergeInto(LibraryManager.library, {
  $AgarholdBridge: {
    decoder: null,
    encoder: null,
    text: function(ptr, length) {
      if (!AgarholdBridge.decoder) AgarholdBridge.decoder = new TextDecoder('utf-8');
      return AgarholdBridge.decoder.decode(HEAPU8.subarray(ptr, ptr + length));
    },
    cstring: function(ptr) {
      var end = ptr;
      while (HEAPU8[end]) ++end;
      return AgarholdBridge.text(ptr, end - ptr);
    },
    // Writes `value` as UTF-8 into cap bytes at ptr, zero-terminated (cut at
    // a character's boundary); returns the bytes written before the zero.
    put: function(value, ptr, cap) {
      if (cap <= 0) return 0;
      if (!AgarholdBridge.encoder) AgarholdBridge.encoder = new TextEncoder();
      var result = AgarholdBridge.encoder.encodeInto(String(value), HEAPU8.subarray(ptr, ptr + cap - 1));
      HEAPU8[ptr + result.written] = 0;
      return result.written;
    },
    message: function(e) {
      if (e && typeof e.message === 'string' && e.message) return e.message;
      return String(e);
    },
    kinds: {click: 1, combo: 2, speed: 3, dragstart: 4, dragover: 5, dragend: 6, mousemove: 7,
            dialog: 8, pagehide: 9, scoresChanged: 10},
    int: function(v) {
      var n = Math.floor(Number(v));
      return isFinite(n) ? n : 0;
    },
  },

  agarhold_now_ms: function() { return globalThis.Agarhold.nowMs(); },
  agarhold_local_days: function() { return globalThis.Agarhold.localDays(); },

  // Newer emscripten learns from __async that the import may sleep; the
  // ASYNCIFY_IMPORTS list of web/CMakeLists.txt tells older ones.
  agarhold_wait__async: true,
  agarhold_wait__deps: ['$Asyncify'],
  agarhold_wait: function(ms) {
    return Asyncify.handleSleep(function(wakeUp) {
      var woken = false;
      globalThis.Agarhold.waitForEvent(ms, function() {
        if (woken) return;
        woken = true;
        wakeUp();
      });
    });
  },

  agarhold_next_event__deps: ['$AgarholdBridge'],
  agarhold_next_event: function(numbers, text, cap, textLength) {
    var e = globalThis.Agarhold.nextEvent();
    if (!e) return 0;
    var B = AgarholdBridge;
    var kind = B.kinds[e.type] || -1;
    var n = [0, 0, 0, 0];
    var s = '';
    switch (e.type) {
      case 'click': s = e.name; break;
      case 'combo': s = e.name; n[0] = B.int(e.index); break;
      case 'speed': n[0] = B.int(e.value); break;
      case 'dragstart': n[0] = B.int(e.tag); break;
      case 'dragover': case 'mousemove': n[0] = B.int(e.x); n[1] = B.int(e.y); break;
      case 'dragend': n[0] = B.int(e.tag); n[1] = e.onMagnifier ? 1 : 0; n[2] = B.int(e.x); n[3] = B.int(e.y); break;
      case 'dialog': n[0] = e.ok ? 1 : 0; s = e.text == null ? '' : e.text; break;
    }
    for (var i = 0; i < 4; ++i) HEAP32[(numbers >> 2) + i] = n[i];
    HEAP32[textLength >> 2] = B.put(s == null ? '' : s, text, cap);
    return kind;
  },

  agarhold_sync__deps: ['$AgarholdBridge'],
  agarhold_sync: function(json, length) { globalThis.Agarhold.sync(AgarholdBridge.text(json, length)); },
  agarhold_board: function(rgba, length) { globalThis.Agarhold.board(HEAPU8.slice(rgba, rgba + length)); },
  agarhold_stars: function(values, count) {
    globalThis.Agarhold.stars(HEAPF32.slice(values >> 2, (values >> 2) + count));
  },
  agarhold_clock: function(values, count) {
    globalThis.Agarhold.clock(HEAPF32.slice(values >> 2, (values >> 2) + count));
  },

  agarhold_message_box__deps: ['$AgarholdBridge'],
  agarhold_message_box: function(text, textLength, caption, captionLength) {
    var B = AgarholdBridge;
    globalThis.Agarhold.messageBox(B.text(text, textLength), B.text(caption, captionLength));
  },
  agarhold_input_box__deps: ['$AgarholdBridge'],
  agarhold_input_box: function(caption, captionLength, prompt, promptLength, value, valueLength) {
    var B = AgarholdBridge;
    globalThis.Agarhold.inputBox(B.text(caption, captionLength), B.text(prompt, promptLength),
                                 B.text(value, valueLength));
  },
  agarhold_name_dialog__deps: ['$AgarholdBridge'],
  agarhold_name_dialog: function(text, textLength) {
    globalThis.Agarhold.nameDialog(AgarholdBridge.text(text, textLength));
  },
  agarhold_play_sound: function(list, index) { globalThis.Agarhold.playSound(list, index); },

  agarhold_storage_read__deps: ['$AgarholdBridge'],
  agarhold_storage_read: function(name, data, cap, error, errorCap) {
    var B = AgarholdBridge;
    var bytes;
    try {
      bytes = globalThis.Agarhold.storageRead(B.cstring(name));
    } catch (e) {
      B.put(B.message(e), error, errorCap);
      return -2;
    }
    if (bytes == null) return -1;
    bytes = bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes);
    HEAPU8.set(bytes.subarray(0, Math.min(cap, bytes.length)), data);
    return bytes.length;
  },
  agarhold_storage_write__deps: ['$AgarholdBridge'],
  agarhold_storage_write: function(name, data, length, error, errorCap) {
    var B = AgarholdBridge;
    var result;
    try {
      result = globalThis.Agarhold.storageWrite(B.cstring(name), HEAPU8.slice(data, data + length));
    } catch (e) {
      result = B.message(e);
    }
    if (result == null) return 0;
    B.put(result, error, errorCap);
    return -2;
  },

  agarhold_ready: function() { globalThis.Agarhold.ready(); },
  agarhold_exited: function() { globalThis.Agarhold.exited(); },
});
