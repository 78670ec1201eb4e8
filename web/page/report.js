// The report tab: the report as the hive's code page writes it (saved as the very bytes
// quarvex-cli -o FILE writes), the report's option boxes, and the analysis as JSON.
'use strict';

(() => {
  const page = window.quarvexPage;
  const $ = page.$;

  // The code pages' names for the browser's text decoder (the report is in the hive's own).
  const decoderLabels = {
    '874': 'windows-874', '932': 'shift_jis', '936': 'gbk', '949': 'euc-kr', '950': 'big5',
    '1250': 'windows-1250', '1251': 'windows-1251', '1252': 'windows-1252', '1253': 'windows-1253',
    '1254': 'windows-1254', '1255': 'windows-1255', '1256': 'windows-1256', '1257': 'windows-1257',
    '1258': 'windows-1258', 'none': 'iso-8859-1',
  };
  let codePage = '1252';
  const chosen = {};    // option boxes the user changed: name -> on

  function codePageOf(checkJson) {
    try {
      for (const file of JSON.parse(checkJson).files || []) {
        for (const f of file.findings || []) if (f.field === 'code page') return f.found;
      }
    } catch (e) {
      // no check: the default
    }
    return '1252';
  }

  function showReport(bytes, errors) {
    $('save-report').disabled = !bytes;
    $('save-analysis').disabled = !bytes;
    if (!bytes) {
      $('report-text').textContent = errors || 'No report was made.';
      $('report-note').textContent = '';
      return;
    }
    $('report-text').textContent = new TextDecoder(decoderLabels[codePage] || 'windows-1252').decode(bytes);
    $('report-note').textContent = `${bytes.length.toLocaleString()} bytes in code page ${codePage}, as quarvex-cli writes it`;
  }

  // The boxes, made once from the engine's list: by what they do, their window names beside
  // (as --set takes them), a box that refines the one above indented under it.
  function makeBoxes(list) {
    const box = $('report-options-boxes');
    if (box.childElementCount || !list) return;
    let group = null;
    for (const option of list) {
      if (option.group !== group) {
        group = option.group;
        const heading = document.createElement('p');
        heading.className = 'group';
        heading.textContent = group === 'analysis' ? 'The analysis' : 'The structure report (every record of the file)';
        box.append(heading);
      }
      const label = document.createElement('label');
      label.className = option.refines ? 'refines' : '';
      const input = document.createElement('input');
      input.type = 'checkbox';
      input.checked = option.name in chosen ? chosen[option.name] : option.on;
      input.dataset.name = option.name;
      input.dataset.default = option.on ? 'on' : 'off';
      input.addEventListener('change', () => { chosen[option.name] = input.checked; });
      const name = document.createElement('code');
      name.textContent = option.name;
      label.append(input, ` ${option.meaning} `, name);
      box.append(label);
    }
  }

  page.tabs.report = {
    options: () => ({ ...chosen }),
    show(result) {
      makeBoxes(result.reportOptions);
      codePage = codePageOf(result.check.json);
      showReport(result.report.bytes, result.report.errors);
    },
  };

  $('save-report').addEventListener('click', () => {
    if (page.last && page.last.report.bytes) page.save(page.last.report.bytes, '-REPORT.TXT');
  });
  // The analysis as quarvex-cli --json writes it, with the chart's series.
  $('save-analysis').addEventListener('click', () => {
    page.ask('analysis', { options: page.tabs.report.options() })
      .then((answer) => page.save(answer.out, '-analysis.json', 'application/json'))
      .catch((e) => page.status(e.message, true));
  });
  $('select-all-options').addEventListener('click', () => {
    for (const input of $('report-options-boxes').querySelectorAll('input')) {
      input.checked = true;
      chosen[input.dataset.name] = true;
    }
  });
  $('default-options').addEventListener('click', () => {
    for (const input of $('report-options-boxes').querySelectorAll('input')) {
      input.checked = input.dataset.default === 'on';
      delete chosen[input.dataset.name];
    }
  });
  // The report again with the boxes as they stand; the charts follow its analysis.
  $('rerun-report').addEventListener('click', () => {
    if (!page.last || page.busy) return;
    page.busy = true;
    page.status('report ...');
    page.ask('report', { options: page.tabs.report.options() }).then((answer) => {
      page.busy = false;
      const bytes = answer.files['REPORT.TXT'];
      page.last.report = { status: answer.status, bytes, errors: answer.err };
      showReport(bytes, answer.err);
      if (page.tabs.charts) page.tabs.charts.reset();  // drawn again from the new options' analysis
      page.status(`${page.last.name}: report ${(answer.ms / 1000).toFixed(2)} s` +
                  (answer.status ? ` (ended with status ${answer.status}: ${answer.err.trim()})` : ''), answer.status !== 0);
    }).catch((e) => {
      page.busy = false;
      page.status(e.message, true);
    });
  });
})();
