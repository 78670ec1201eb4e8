// The search tab: find's hits in key names, value names and data (also the text inside binary
// data), as quarvex-cli find --json gives them. The pattern is the user's and may be anything:
// the engine refuses what is no pattern (a regular expression that does not compile, hex that
// is not bytes) with its reason, shown here, and matches RE2's way, in time linear in the text.
'use strict';

(() => {
  const page = window.quarvexPage;
  const $ = page.$;
  let hits = '';

  function hitRow(body, hit) {
    const row = body.insertRow();
    row.insertCell().textContent = hit.path;
    const v = hit.value;
    row.insertCell().textContent = hit.kind === 'key' ? '(key)' : (v.name === '' ? '(default)' : v.name);
    row.insertCell().textContent = v ? v.type : '';
    const where = hit.inside
      ? `at +${hit.inside.offset.toString(16).toUpperCase()}, ${hit.inside.as}: "${hit.inside.text}"`
      : v ? (v.text !== undefined ? v.text : v.data) : '';
    row.insertCell().textContent = (hit.matched ? `${hit.matched}: ` : '') + where;
    row.addEventListener('click', () => page.showKey(hit.path));
  }

  function search(event) {
    event.preventDefault();
    const pattern = $('search-pattern').value;
    if (!page.last || pattern === '') return;
    const params = {
      pattern,
      mode: $('search-mode').value,
      caseSensitive: $('search-case').checked,
      keys: $('search-keys').checked,
      values: $('search-values').checked,
      data: $('search-data').checked,
      type: $('search-type').value,
    };
    $('search-note').textContent = 'searching ...';
    page.ask('search', params).then((answer) => {
      const body = $('hits').tBodies[0];
      body.replaceChildren();
      hits = page.text(answer.out);
      $('save-hits').disabled = !hits;
      if (answer.status === 2) {
        $('search-note').textContent = answer.err.trim().replace(/^quarvex-cli find: /, '');
        $('search-note').classList.add('failed');
        return;
      }
      $('search-note').classList.remove('failed');
      const lines = hits.split('\n').filter((l) => l.trim());
      // Thousands of rows are shown as they come: a table of them stays usable.
      const shown = lines.slice(0, 5000);
      for (const line of shown) hitRow(body, JSON.parse(line));
      $('search-note').textContent = `${lines.length.toLocaleString()} hit(s) in ${(answer.ms / 1000).toFixed(2)} s` +
        (shown.length < lines.length ? `; the first ${shown.length.toLocaleString()} shown (save them all as JSON)` : '');
    }).catch((e) => {
      $('search-note').textContent = e.message;
    });
  }

  page.tabs.search = {
    reset() {
      hits = '';
    },
    show() {
      $('hits').tBodies[0].replaceChildren();
      $('search-note').textContent = '';
      $('save-hits').disabled = true;
    },
  };
  $('search-form').addEventListener('submit', search);
  $('save-hits').addEventListener('click', () => {
    if (hits) page.save(hits, '-hits.jsonl', 'application/json');
  });
})();
