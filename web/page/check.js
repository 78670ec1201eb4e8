// The check tab: every finding of the salvage reader, as check --json gives them.
'use strict';

(() => {
  const page = window.quarvexPage;
  const $ = page.$;

  page.tabs.check = {
    show(result) {
      const body = $('findings').tBodies[0];
      body.replaceChildren();
      let check = {};
      try {
        check = JSON.parse(result.check.json);
      } catch (e) {
        check = { files: [{ file: result.name, error: result.check.errors || 'the check gave no result' }] };
      }
      const file = (check.files || [])[0] || {};
      $('check-summary').textContent = `${file.file || ''}: ${file.summary || file.error || ''}`;
      for (const f of file.findings || []) {
        const row = body.insertRow();
        const severity = row.insertCell();
        severity.textContent = f.severity;
        severity.className = f.severity;
        const offset = row.insertCell();
        offset.className = 'offset';
        offset.textContent = page.hex(f.offset, 8);
        row.insertCell().textContent = f.line.replace(/^0x[0-9A-F]+: /, '');
      }
      $('save-check').disabled = !result.check.json;
    },
  };

  $('save-check').addEventListener('click', () => {
    if (page.last) page.save(page.last.check.json, '-check.json', 'application/json');
  });
})();
