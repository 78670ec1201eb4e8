// The facts tab: what the well-known places of the hive say (the system, programs, hardware,
// network and the user's traces), as quarvex-cli facts writes it; saved as JSON or CSV.
// Asked for when the tab is first opened.
'use strict';

(() => {
  const page = window.quarvexPage;
  const $ = page.$;
  let asked = null;

  page.tabs.facts = {
    reset() {
      asked = null;
    },
    show() {
      $('facts-text').textContent = '';
    },
    opened() {
      if (!asked && page.last) {
        $('facts-text').textContent = 'reading the facts ...';
        asked = page.ask('facts').then((answer) => {
          $('facts-text').textContent = page.text(answer.out) + answer.err;
        }).catch((e) => {
          $('facts-text').textContent = e.message;
        });
      }
      return asked;
    },
  };
  const saveAs = (what, suffix, type) => () => {
    page.ask(what).then((answer) => page.save(answer.out, suffix, type)).catch((e) => page.status(e.message, true));
  };
  $('save-facts-json').addEventListener('click', saveAs('factsJson', '-facts.json', 'application/json'));
  $('save-facts-csv').addEventListener('click', saveAs('factsCsv', '-facts.csv', 'text/csv'));
})();
