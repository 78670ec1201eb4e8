// The recovered tab: the deleted keys and values the file still holds, as recover --json
// gives them (each with its offset, confidence and why), and the earlier values of live keys.
// Asked for when the tab is first opened: a large hive opens without waiting for it.
'use strict';

(() => {
  const page = window.quarvexPage;
  const $ = page.$;
  let asked = null;
  let json = '';

  // Recovered values carry their type as its number; shown by its name where it has one.
  const typeNames = { 0: 'REG_NONE', 1: 'REG_SZ', 2: 'REG_EXPAND_SZ', 3: 'REG_BINARY', 4: 'REG_DWORD', 5: 'REG_DWORD_BIG_ENDIAN', 7: 'REG_MULTI_SZ' };

  function valueText(v) {
    if (v.text !== undefined) return v.text;
    return v.data.replace(/(..)/g, '$1 ').trim();
  }

  function showKey(key) {
    $('recovered-key').textContent = `${key.path} at ${page.hex(key.offset)}: ${key.confidence} confidence\n` +
      key.reasons.map((r) => `  ${r}`).join('\n');
    const body = $('recovered-values').tBodies[0];
    body.replaceChildren();
    for (const v of key.values) {
      const row = body.insertRow();
      row.insertCell().textContent = v.name === '' ? '(default)' : v.name;
      row.insertCell().textContent = typeNames[v.type] || `type ${v.type}`;
      row.insertCell().textContent = valueText(v) + (v.partial ? ' (partial)' : '');
    }
  }

  function show(answer) {
    json = page.text(answer.out);
    const body = $('recovered').tBodies[0];
    body.replaceChildren();
    let found = null;
    try {
      found = JSON.parse(json);
    } catch (e) {
      $('recovery-summary').textContent = answer.err.trim() || 'Nothing could be recovered.';
      return;
    }
    $('recovery-summary').textContent = found.summary + (found.workCapReached ? ' (the search stopped at its limit of work)' : '');
    for (const key of found.keys) {
      const row = body.insertRow();
      const offset = row.insertCell();
      offset.className = 'offset';
      offset.textContent = page.hex(key.offset);
      row.insertCell().textContent = key.path;
      row.insertCell().textContent = key.confidence;
      row.insertCell().textContent = String(key.values.length);
      row.addEventListener('click', () => showKey(key));
    }
    for (const live of found.liveKeys || []) {
      for (const v of live.values) {
        const row = body.insertRow();
        row.className = 'earlier';
        const offset = row.insertCell();
        offset.className = 'offset';
        offset.textContent = page.hex(v.offset);
        row.insertCell().textContent = `${live.path}: ${v.name === '' ? '(default)' : v.name} was ${valueText(v)}`;
        row.insertCell().textContent = v.confidence;
        row.insertCell().textContent = v.where;
        row.addEventListener('click', () => page.showKey(live.path));
      }
    }
    $('save-recovery').disabled = false;
    $('export-recovery').disabled = !found.keys.length;
  }

  page.tabs.recovery = {
    reset() {
      asked = null;
      json = '';
    },
    show() {
      $('recovered').tBodies[0].replaceChildren();
      $('recovery-summary').textContent = '';
      $('recovered-key').textContent = '';
      $('recovered-values').tBodies[0].replaceChildren();
      $('save-recovery').disabled = true;
      $('export-recovery').disabled = true;
    },
    // Asks once per hive; the promise tells a test when it is shown.
    opened() {
      if (!asked && page.last) {
        $('recovery-summary').textContent = 'searching the free space ...';
        asked = page.ask('recovery').then(show).catch((e) => {
          $('recovery-summary').textContent = e.message;
        });
      }
      return asked;
    },
  };
  $('save-recovery').addEventListener('click', () => {
    if (json) page.save(json, '-recovered.json', 'application/json');
  });
  $('export-recovery').addEventListener('click', () => {
    page.ask('recoveryExport').then((answer) => {
      const reg = answer.files['recovered.reg'];
      if (reg) page.save(reg, '-recovered.reg', 'text/plain');
      else page.status(`the export failed: ${answer.err.trim()}`, true);
    });
  });
})();
